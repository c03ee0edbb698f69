#include "render/draw_line.h"

#include <cstdlib>

#include "render/pixel_access.h"

namespace quorix::render {

void drawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t value,
              const BufferDesc& buffer) {
  if (buffer.baseAddr == nullptr) return;
  const Rect16& b = buffer.bounds;
  auto inBounds = [&](int64_t x, int64_t y) {
    return x >= b.left && x < b.right && y >= b.top && y < b.bottom;
  };
  withPixelType(buffer.bitsPerPixel, [&](auto pixel) {
    using Pixel = decltype(pixel);
    // A line lies within the box of its endpoints: when both are inside, every pixel is.
    bool checked = !inBounds(x1, y1) || !inBounds(x2, y2);
    auto plot = [&](int64_t x, int64_t y) {
      if (checked && !inBounds(x, y)) return;
      storePixel<Pixel>(pixelAddress(buffer, static_cast<int>(x), static_cast<int>(y)),
                        static_cast<Pixel>(value));
    };
    int64_t dx = int64_t{x2} - x1, dy = int64_t{y2} - y1;
    bool xMajor = std::llabs(dx) >= std::llabs(dy);
    int64_t n = xMajor ? std::llabs(dx) : std::llabs(dy);
    int64_t minor = xMajor ? std::llabs(dy) : std::llabs(dx);
    if (n >= 1) {
      int64_t stepX = dx < 0 ? -1 : 1, stepY = dy < 0 ? -1 : 1;
      int64_t x = x1, y = y1;
      int64_t error = 2 * minor - n;
      for (int64_t i = 0; i < n; ++i) {
        plot(x, y);
        while (error >= 0) {
          if (xMajor) {
            y += stepY;
          } else {
            x += stepX;
          }
          error -= 2 * n;
        }
        error += 2 * minor;
        if (xMajor) {
          x += stepX;
        } else {
          y += stepY;
        }
      }
    }
    plot(x2, y2);
  });
}

}  // namespace quorix::render
