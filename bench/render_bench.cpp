// The rendering core at 640 x 480 and 8, 16 and 32 bits: blit modes same size and scaled,
// fills, a rotated quad and clipped lines. Each benchmark times its work and, in the same
// iterations, a memcpy of as many bytes as the work writes into the frame; the counter
// "vs_memcpy" is memcpy's time over the work's (1.0: as fast as memcpy).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "common/memory.h"
#include "render/copy_blit.h"
#include "render/draw_line.h"
#include "render/fill.h"
#include "render/frame_buffer.h"
#include "render/line_clipping.h"
#include "render/quad_painter.h"
#include "render/resource_color_table.h"

namespace quorix::render {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A windowed frame of 640 x 480 made current, with seeded contents everywhere.
class BenchFrame {
 public:
  explicit BenchFrame(uint32_t depth) : scope_(frame) {
    setLevels(frame, 8);
    setDepth(frame, depth);
    setLayout(frame, depth == 16 ? QX_LAYOUT_565 : depth == 32 ? QX_LAYOUT_32BIT : QX_LAYOUT_8BIT);
    MemHandle table = makeResourceColorTable(8);
    makeWindowedFrame(frame, Rect16{0, 0, kHeight, kWidth}, table);
    disposeHandle(table);
    std::mt19937 random(1);
    tables.resize(7 * kTransparencyTableBytes);
    for (uint8_t& b : tables) b = static_cast<uint8_t>(random());
    setTransparencyTables(frame, tables.data(), static_cast<uint32_t>(tables.size()));
    fillRandom(frameDescriptor(frame), random);
    fillRandom(workBufferDescriptor(frame), random);
    fillRandom(frame.alphaMask, random);
    setBlendLevel(frame, 64);
  }
  ~BenchFrame() { releaseFrameBuffers(frame); }

  // A picture of the frame's depth, `width` x `height`, seeded.
  BufferDesc picture(int width, int height) {
    int bytesPerPixel = static_cast<int>(frame.depth / 8);
    pixels.resize(static_cast<size_t>(width) * height * bytesPerPixel);
    std::mt19937 random(2);
    for (uint8_t& b : pixels) b = static_cast<uint8_t>(random());
    BufferDesc desc{};
    desc.baseAddr = pixels.data();
    desc.bitsPerPixel = frame.depth;
    desc.bounds = Rect16{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
    desc.rowBytes = width * bytesPerPixel;
    return desc;
  }

  size_t frameBytes() const { return static_cast<size_t>(kWidth) * kHeight * frame.depth / 8; }

  FrameBuffer frame;
  std::vector<uint8_t> tables;
  std::vector<uint8_t> pixels;

 private:
  static void fillRandom(const BufferDesc& desc, std::mt19937& random) {
    for (int y = 0; y < desc.bounds.bottom; ++y) {
      auto* row = static_cast<uint8_t*>(desc.baseAddr) + static_cast<ptrdiff_t>(y) * desc.rowBytes;
      for (int x = 0; x < desc.bounds.right * static_cast<int>(desc.bitsPerPixel / 8); ++x) {
        row[x] = static_cast<uint8_t>(random());
      }
    }
  }
  ScopedCurrentFrame scope_;
};

// Times `work` against a memcpy of `destinationBytes` in the same iterations.
template <typename Work>
void measure(benchmark::State& state, size_t destinationBytes, Work&& work) {
  using Clock = std::chrono::steady_clock;
  std::vector<uint8_t> from(destinationBytes, 1), to(destinationBytes, 2);
  double workSeconds = 0, copySeconds = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    work();
    benchmark::ClobberMemory();
    auto middle = Clock::now();
    std::memcpy(to.data(), from.data(), destinationBytes);
    benchmark::ClobberMemory();
    auto end = Clock::now();
    double seconds = std::chrono::duration<double>(middle - start).count();
    state.SetIterationTime(seconds);
    workSeconds += seconds;
    copySeconds += std::chrono::duration<double>(end - middle).count();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * destinationBytes));
  state.counters["vs_memcpy"] = workSeconds > 0 ? copySeconds / workSeconds : 0;
}

uint32_t depthOf(const benchmark::State& state) { return static_cast<uint32_t>(state.range(0)); }

// Mode `range(1)` of a whole 640 x 480 picture, or of a 320 x 240 one scaled twice.
void BlitMode(benchmark::State& state, bool scaled) {
  BenchFrame bench(depthOf(state));
  BufferDesc picture = scaled ? bench.picture(kWidth / 2, kHeight / 2) : bench.picture(kWidth, kHeight);
  BufferDesc frame = frameDescriptor(bench.frame);
  auto mode = static_cast<uint32_t>(state.range(1));
  measure(state, bench.frameBytes(), [&] {
    Rect16 source = picture.bounds, destination{0, 0, kHeight, kWidth};
    CopyBlit(&picture, &frame, &source, &destination, mode);
  });
}

void BM_BlitSameSize(benchmark::State& state) { BlitMode(state, false); }
void BM_BlitScaled2x(benchmark::State& state) { BlitMode(state, true); }

void BM_Fill(benchmark::State& state) {
  BenchFrame bench(depthOf(state));
  BufferDesc frame = frameDescriptor(bench.frame);
  uint32_t value = 0;
  measure(state, bench.frameBytes(), [&] { fillBuffer(frame, ++value); });
}

// A 320 x 240 picture turned by 30 degrees about the frame's centre.
void BM_RotatedQuad(benchmark::State& state) {
  BenchFrame bench(depthOf(state));
  BufferDesc picture = bench.picture(320, 240);
  QuadPainter* painter = makeQuadPainter(picture.rowBytes, 240, picture.baseAddr, 0);
  const double c = std::cos(30 * 3.14159265 / 180), s = std::sin(30 * 3.14159265 / 180);
  const int corners[4][2] = {{0, 0}, {319, 0}, {319, 239}, {0, 239}};
  QuadVertex quad[4];
  for (int i = 0; i < 4; ++i) {
    double u = corners[i][0] - 160, v = corners[i][1] - 120;
    quad[i] = QuadVertex{static_cast<int32_t>(u * c - v * s + 320), static_cast<int32_t>(v * c + u * s + 240),
                         corners[i][0], corners[i][1]};
  }
  BufferDesc frame = frameDescriptor(bench.frame);
  measure(state, static_cast<size_t>(320) * 240 * bench.frame.depth / 8,
          [&] { drawQuad(*painter, quad, frame); });
  releaseQuadPainter(painter);
}

// 1000 seeded segments between points up to 200 pixels outside the frame, clipped and drawn.
void BM_ClippedLines(benchmark::State& state) {
  BenchFrame bench(depthOf(state));
  BufferDesc frame = frameDescriptor(bench.frame);
  const ClipWindow window{0, 0, kHeight - 1, kWidth - 1};
  std::mt19937 random(3);
  std::uniform_int_distribution<int32_t> x(-200, kWidth + 200), y(-200, kHeight + 200);
  std::vector<int32_t> segments;
  size_t pixels = 0;
  for (int i = 0; i < 1000; ++i) {
    int32_t s[4] = {x(random), y(random), x(random), y(random)};
    segments.insert(segments.end(), s, s + 4);
    if (clipSegment(window, s[0], s[1], s[2], s[3]) != kSegmentRejected) {
      pixels += static_cast<size_t>(std::max(std::abs(s[2] - s[0]), std::abs(s[3] - s[1]))) + 1;
    }
  }
  uint32_t value = 0;
  measure(state, pixels * bench.frame.depth / 8, [&] {
    ++value;
    for (size_t i = 0; i < segments.size(); i += 4) {
      int32_t x1 = segments[i], y1 = segments[i + 1], x2 = segments[i + 2], y2 = segments[i + 3];
      if (clipSegment(window, x1, y1, x2, y2) != kSegmentRejected) drawLine(x1, y1, x2, y2, value, frame);
    }
  });
}

void depthsAndModes(benchmark::internal::Benchmark* b, std::initializer_list<int> modes) {
  for (int depth : {8, 16, 32}) {
    for (int mode : modes) b->Args({depth, mode});
  }
  b->ArgNames({"depth", "mode"})->UseManualTime();
}

BENCHMARK(BM_BlitSameSize)->Apply([](auto* b) { depthsAndModes(b, {1, 2, 4, 5, 6}); });
BENCHMARK(BM_BlitScaled2x)->Apply([](auto* b) { depthsAndModes(b, {1}); });
BENCHMARK(BM_Fill)->ArgName("depth")->Arg(8)->Arg(16)->Arg(32)->UseManualTime();
BENCHMARK(BM_RotatedQuad)->ArgName("depth")->Arg(8)->Arg(16)->Arg(32)->UseManualTime();
BENCHMARK(BM_ClippedLines)->ArgName("depth")->Arg(8)->Arg(16)->Arg(32)->UseManualTime();

}  // namespace
}  // namespace quorix::render

BENCHMARK_MAIN();
