#include "render/fill.h"

#include <cstring>

#include "render/blit_plan.h"
#include "render/pixel_access.h"

namespace quorix::render {

void fillRect(const Rect16& rect, uint32_t value, const BufferDesc& buffer) {
  Rect16 area = intersectRects(rect, buffer.bounds);
  if (buffer.baseAddr == nullptr || area.left >= area.right || area.top >= area.bottom) return;
  withPixelType(buffer.bitsPerPixel, [&](auto pixel) {
    using Pixel = decltype(pixel);
    size_t rowLength = static_cast<size_t>(area.right - area.left) * sizeof(Pixel);
    uint8_t* first = pixelAddress(buffer, area.left, area.top);
    for (size_t at = 0; at < rowLength; at += sizeof(Pixel)) {
      storePixel<Pixel>(first + at, static_cast<Pixel>(value));
    }
    for (int y = area.top + 1; y < area.bottom; ++y) {
      std::memmove(pixelAddress(buffer, area.left, y), first, rowLength);
    }
  });
}

void fillBuffer(const BufferDesc& buffer, uint32_t value) { fillRect(buffer.bounds, value, buffer); }

}  // namespace quorix::render
