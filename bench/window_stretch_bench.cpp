// The windowed output's one copy per frame: a frame stretched into a window's surface. Each
// figure is reported as a ratio to copying the window's bytes once (memcpy), measured in the
// same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "platform/window/memory/memory_window_backend.h"
#include "platform/window/window.h"

namespace {

using namespace quorix::platform;

constexpr int kWidth = 640, kHeight = 480;

// Nanoseconds of one memcpy of a 640 x 480 32-bit surface.
double baselineNanoseconds() {
  static const double nanoseconds = [] {
    std::vector<uint32_t> from(kWidth * kHeight, 1), to(kWidth * kHeight);
    auto start = std::chrono::steady_clock::now();
    constexpr int kRounds = 200;
    for (int i = 0; i < kRounds; ++i) {
      std::memcpy(to.data(), from.data(), to.size() * 4);
      benchmark::DoNotOptimize(to.data());
      benchmark::ClobberMemory();
    }
    std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / kRounds;
  }();
  return nanoseconds;
}

void stretchFrame(benchmark::State& state, int bitCount, int frameWidth, int frameHeight) {
  MemoryWindowBackend backend;
  ScopedWindowBackend scope(backend);
  WindowClass windowClass;
  windowClass.name = "Bench";
  registerClass(windowClass);
  CreateWindowParams params;
  params.className = "Bench";
  params.style = kStylePopup;
  params.width = kWidth;
  params.height = kHeight;
  Window* window = createWindow(params);
  BitmapInfo info{};
  info.header.width = frameWidth;
  info.header.height = -frameHeight;
  info.header.bitCount = static_cast<uint16_t>(bitCount);
  if (bitCount == 16) {
    info.header.compression = kBiBitfields;
    uint32_t masks[3] = {0xF800, 0x7E0, 0x1F};
    std::memcpy(static_cast<void*>(info.colors), masks, sizeof(masks));
  }
  for (int i = 0; bitCount == 8 && i < 256; ++i) {
    info.colors[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3), 0};
  }
  std::vector<uint8_t> pixels(static_cast<size_t>(dibRowBytes(frameWidth, bitCount)) * frameHeight);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7);
  DeviceContext* dc = getDC(window);
  double total = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    stretchDIBits(dc, 0, 0, kWidth, kHeight, 0, 0, frameWidth, frameHeight, pixels.data(),
                  &info.header, kDibRgbColors, kSourceCopy);
    std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    total += spent.count();
  }
  state.counters["vs_memcpy"] = total / static_cast<double>(state.iterations()) / baselineNanoseconds();
  releaseDC(window, dc);
  destroyWindow(window);
  unregisterClass("Bench");
}

void BM_Doubled16BitFrame(benchmark::State& state) { stretchFrame(state, 16, 320, 240); }
void BM_FullSize16BitFrame(benchmark::State& state) { stretchFrame(state, 16, 640, 480); }
void BM_Doubled8BitFrame(benchmark::State& state) { stretchFrame(state, 8, 320, 240); }
void BM_FullSize32BitFrame(benchmark::State& state) { stretchFrame(state, 32, 640, 480); }

BENCHMARK(BM_Doubled16BitFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullSize16BitFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Doubled8BitFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullSize32BitFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
