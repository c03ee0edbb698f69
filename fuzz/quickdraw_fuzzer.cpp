// Draws the input as a QuickDraw picture (without the 512-byte file header) into buffers of
// 8, 16 and 32 bits, at the target's size and scaled into a frame the input's last bytes
// choose. The buffers hold exactly their pixels: any access outside one is an address
// sanitizer report.
#include <cstdint>
#include <vector>

#include "platform/media/media_platform.h"

using namespace quorix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<ColorEntry> palette(256);
  for (int i = 0; i < 256; ++i) {
    const auto level = static_cast<uint16_t>(i * 257);
    palette[static_cast<size_t>(i)] = ColorEntry{static_cast<uint16_t>(i), level, static_cast<uint16_t>(65535 - level), level};
  }
  Rect16 chosen{0, 0, 11, 13};
  if (size >= 4) {
    const uint8_t* tail = data + size - 4;
    chosen = Rect16{static_cast<int16_t>(static_cast<int8_t>(tail[0])), static_cast<int16_t>(static_cast<int8_t>(tail[1])),
                    static_cast<int16_t>(tail[2] % 64), static_cast<int16_t>(tail[3] % 64)};
  }
  for (uint32_t depth : {8u, 16u, 32u}) {
    const int width = 13, height = 11, bytes = static_cast<int>(depth / 8);
    std::vector<uint8_t> pixels(static_cast<size_t>(width * height * bytes));
    BufferDesc target{};
    target.baseAddr = pixels.data();
    target.bitsPerPixel = depth;
    target.bounds = Rect16{0, 0, height, width};
    target.rowBytes = width * bytes;
    target.colorEntries = palette.data();
    target.layoutCode = depth == 16 ? QX_LAYOUT_555 : depth == 8 ? QX_LAYOUT_8BIT : QX_LAYOUT_32BIT;
    for (const Rect16& frame : {target.bounds, chosen}) platform::drawQuickDrawPicture(data, size, frame, target);
  }
  return 0;
}
