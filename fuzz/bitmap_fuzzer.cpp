// Decodes the input as a Windows bitmap file into offscreen buffers of every depth the engine
// draws in, at the bitmap's own size (straight into the target when the depths agree) and at
// another size (through a buffer of the bitmap's depth). The buffers are exactly their pixels:
// any access outside one is an address sanitizer report.
#include <cstdint>
#include <optional>

#include "media/bitmap_decoder.h"
#include "render/offscreen_port.h"
#include "common/memory.h"
#include "render/resource_color_table.h"

using namespace quorix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::optional<media::BitmapInfo> info = media::readBitmapInfo(data, size);
  Rect16 own{0, 0, 7, 9};
  if (info && info->width <= 512 && info->height <= 512) {
    own = Rect16{0, 0, static_cast<int16_t>(info->height), static_cast<int16_t>(info->width)};
  }
  MemHandle colors = render::makeResourceColorTable(151);
  for (uint32_t depth : {8u, 16u, 32u}) {
    for (const Rect16& frame : {own, Rect16{-2, -3, 5, 4}}) {
      render::OffscreenPort* port = nullptr;
      render::newOffscreenPort(&port, depth, own, colors, 0);
      if (port == nullptr) continue;
      media::drawBitmap(data, size, frame, port);
      render::disposeOffscreenPort(port);
    }
  }
  disposeHandle(colors);
  return 0;
}
