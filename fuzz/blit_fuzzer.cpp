// Blits random rectangles with random mode words and levels between buffers allocated to
// exactly the pixels their descriptors describe (any access outside one is an address
// sanitizer report): CopyBlit at the frame's depth and at others, PortCopyBits between maps of
// any pixel sizes, and the 16-to-32-bit copy.
#include <cstdint>
#include <vector>

#include "common/memory.h"
#include "fuzz/fuzz_input.h"
#include "platform/cpu_features.h"
#include "render/buffer_descriptor.h"
#include "render/convert_blit.h"
#include "render/copy_blit.h"
#include "render/frame_buffer.h"
#include "render/pixel_map.h"
#include "render/resource_color_table.h"

using namespace quorix;
using namespace quorix::render;

namespace {

// A buffer whose bytes hold exactly the rows of its descriptor (bottom-up, padded, shorter
// rows than pixels, bounds away from the origin: whatever the input says).
struct FuzzBuffer {
  std::vector<uint8_t> bytes;
  BufferDesc desc{};

  FuzzBuffer(fuzz::FuzzInput& in, uint32_t frameDepth) {
    const uint32_t depths[] = {frameDepth, frameDepth, frameDepth, 8, 16, 32, 24, 1};
    desc.bitsPerPixel = depths[in.byte() % 8];
    int width = in.range(0, 70), height = in.range(0, 50);
    int top = in.flag() ? in.range(-20, 20) : 0, left = in.flag() ? in.range(-20, 20) : 0;
    desc.bounds = Rect16{static_cast<int16_t>(top), static_cast<int16_t>(left),
                         static_cast<int16_t>(top + height), static_cast<int16_t>(left + width)};
    int bytesPerPixel = static_cast<int>((desc.bitsPerPixel + 7) / 8);
    int rowBytes = width * bytesPerPixel + in.range(-3, 9);
    if (in.byte() % 16 == 0) rowBytes = in.i16() * 3;  // sometimes anything
    if (rowBytes < 0) rowBytes = -rowBytes;
    bool bottomUp = in.byte() % 4 == 0;
    // The pixels of the bounds span (height - 1) rows plus one row of pixels.
    size_t span = height > 0 && width > 0 ? static_cast<size_t>(height - 1) * rowBytes +
                                                static_cast<size_t>(width) * bytesPerPixel
                                          : 1;
    if (span > (1u << 22)) span = 1;  // too large: keep an empty buffer
    bytes.resize(span);
    for (uint8_t& b : bytes) b = in.byte();
    desc.rowBytes = bottomUp ? -rowBytes : rowBytes;
    desc.baseAddr = bytes.data() + (bottomUp && height > 0 ? static_cast<size_t>(height - 1) * rowBytes : 0);
    if (span == 1 && (height > 1 || width > 1)) desc.bounds = Rect16{0, 0, 0, 0};
    if (in.byte() % 32 == 0) desc.baseAddr = nullptr;
    desc.layoutCode = in.byte() % 4;
  }
};

Rect16 rectangle(fuzz::FuzzInput& in, int width, int height) {
  int16_t top = in.coordinate(height), left = in.coordinate(width);
  int16_t bottom = in.flag() ? in.coordinate(height) : static_cast<int16_t>(top + in.range(-2, height + 8));
  int16_t right = in.flag() ? in.coordinate(width) : static_cast<int16_t>(left + in.range(-2, width + 8));
  return Rect16{top, left, bottom, right};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  platform::ProcessorFeatures features = platform::probeProcessorFeatures();
  features.mmx = in.flag();
  features.wideVectors = features.wideVectors && in.flag();
  platform::setProcessorFeatures(features);

  FrameBuffer frame;
  ScopedCurrentFrame current(frame);
  setLevels(frame, in.range(-2, 140));
  const uint32_t depths[] = {8, 16, 32, 24};
  setDepth(frame, depths[in.byte() % 4]);
  setLayout(frame, in.byte() % 4);
  MemHandle table = makeResourceColorTable(8);
  int width = in.range(1, 64), height = in.range(1, 48);
  if (makeWindowedFrame(frame, Rect16{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)}, table) != 0) {
    disposeHandle(table);
    return 0;
  }
  std::vector<uint8_t> transparency(static_cast<size_t>(in.range(0, 3)) * kTransparencyTableBytes +
                                    in.range(0, 300));
  for (size_t i = 0; i < transparency.size(); i += 97) transparency[i] = in.byte();
  setTransparencyTables(frame, transparency.data(), static_cast<uint32_t>(transparency.size()));
  for (int i = 0; i < 16; ++i) {
    const BufferDesc& mask = frame.alphaMask;
    int cells = (mask.bounds.right) * (mask.bounds.bottom);
    if (cells > 0) static_cast<uint8_t*>(mask.baseAddr)[in.range(0, cells - 1)] = in.byte();
  }

  for (int step = 0; step < 4; ++step) {
    setBlendLevel(frame, in.range(-5, 135));
    uint32_t mode = in.byte() % 8;
    if (in.byte() % 8 == 0) mode = in.u32();
    BufferDesc frameDesc = frameDescriptor(frame);
    switch (in.byte() % 4) {
      case 0: {  // buffer into frame
        FuzzBuffer source(in, frame.depth);
        Rect16 sourceRect = rectangle(in, 70, 50), destinationRect = rectangle(in, width, height);
        CopyBlit(&source.desc, &frameDesc, &sourceRect, &destinationRect, mode);
        break;
      }
      case 1: {  // buffer into buffer, the WorkBuffer read at the destination's positions
        FuzzBuffer source(in, frame.depth), destination(in, frame.depth);
        Rect16 sourceRect = rectangle(in, 70, 50), destinationRect = rectangle(in, 70, 50);
        CopyBlit(&source.desc, &destination.desc, &sourceRect, &destinationRect, mode);
        break;
      }
      case 2: {  // maps of any pixel sizes
        const uint32_t mapDepths[] = {8, 16, 32};
        MemHandle from = newPixelMap(mapDepths[in.byte() % 3],
                                     Rect16{0, 0, static_cast<int16_t>(in.range(0, 40)), static_cast<int16_t>(in.range(0, 40))},
                                     in.flag() ? table : nullptr, true);
        MemHandle to = in.flag() ? frame.framePixelMap
                                 : newPixelMap(mapDepths[in.byte() % 3],
                                               Rect16{0, 0, static_cast<int16_t>(in.range(0, 40)),
                                                      static_cast<int16_t>(in.range(0, 40))},
                                               in.flag() ? table : nullptr, true);
        if (from != nullptr && to != nullptr) {
          BufferDesc fromDesc = bufferDescFromPixelMap(from);
          for (int y = 0; y < fromDesc.bounds.bottom; ++y) {
            for (int x = 0; x < fromDesc.rowBytes; ++x) {
              static_cast<uint8_t*>(fromDesc.baseAddr)[y * fromDesc.rowBytes + x] = in.byte();
            }
          }
          Rect16 sourceRect = rectangle(in, 40, 40), destinationRect = rectangle(in, 40, 40);
          PortCopyBits(&from, &to, &sourceRect, &destinationRect, mode, nullptr);
        }
        disposePixelMap(from);
        if (to != frame.framePixelMap) disposePixelMap(to);
        break;
      }
      default: {  // 16 bits into 32, either of them bottom-up
        FuzzBuffer source(in, 16), destination(in, 32);
        copy16To32(source.desc, destination.desc, rectangle(in, 70, 50), rectangle(in, 70, 50));
        break;
      }
    }
  }
  releaseFrameBuffers(frame);
  disposeHandle(table);
  platform::resetProcessorFeatures();
  return 0;
}
