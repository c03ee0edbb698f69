#include "render/convert_blit.h"

#include "render/blit_plan.h"
#include "render/pixel_access.h"
#include "render/pixel_format.h"

namespace quorix::render {
namespace {

template <typename SourcePixel, typename DestinationPixel>
void convertRows(const PixelFormatSide& source, const PixelFormatSide& destination,
                 const BlitPlan& plan) {
  const BufferDesc& from = *source.buffer;
  const BufferDesc& to = *destination.buffer;
  // Neighbouring pixels often share a colour; the nearest-entry search of 8-bit
  // destinations is worth remembering.
  uint32_t lastValue = 0, lastResult = 0;
  bool haveLast = false;
  auto convert = [&](uint32_t value) {
    if (haveLast && value == lastValue) return lastResult;
    RgbColor color = pixelValueToColor(value, sizeof(SourcePixel) * 8, source.layoutCode,
                                       source.entries, source.entryCount);
    lastResult = colorToPixelValue(color, sizeof(DestinationPixel) * 8, destination.layoutCode,
                                   destination.entries, destination.entryCount);
    lastValue = value;
    haveLast = true;
    return lastResult;
  };
  for (int j = 0; j < plan.height; ++j) {
    int sourceY = plan.srcTop + static_cast<int>((plan.rowAcc + j * plan.yStep) >> 16);
    uint8_t* d = pixelAddress(to, plan.x0, plan.y0 + j);
    int64_t acc = plan.colAcc;
    for (int i = 0; i < plan.width; ++i, acc += plan.xStep) {
      int sourceX = plan.srcLeft + static_cast<int>(acc >> 16);
      uint32_t value = loadPixel<SourcePixel>(pixelAddress(from, sourceX, sourceY));
      storePixel<DestinationPixel>(d + i * sizeof(DestinationPixel),
                                   static_cast<DestinationPixel>(convert(value)));
    }
  }
}

bool usable(const BufferDesc* buffer) {
  return buffer != nullptr && buffer->baseAddr != nullptr &&
         (buffer->bitsPerPixel == 8 || buffer->bitsPerPixel == 16 || buffer->bitsPerPixel == 32);
}

}  // namespace

void convertingCopy(const PixelFormatSide& source, const PixelFormatSide& destination,
                    const Rect16& sourceRect, const Rect16& destinationRect) {
  if (!usable(source.buffer) || !usable(destination.buffer)) return;
  BlitPlan plan;
  if (!planBlit(source.buffer->bounds, sourceRect, destination.buffer->bounds, destinationRect,
                &plan)) {
    return;
  }
  withPixelType(source.buffer->bitsPerPixel, [&](auto sourcePixel) {
    withPixelType(destination.buffer->bitsPerPixel, [&](auto destinationPixel) {
      convertRows<decltype(sourcePixel), decltype(destinationPixel)>(source, destination, plan);
    });
  });
}

void copy16To32(const BufferDesc& source, const BufferDesc& destination, const Rect16& sourceRect,
                const Rect16& destinationRect) {
  if (source.bitsPerPixel != 16 || destination.bitsPerPixel != 32) return;
  convertingCopy(PixelFormatSide{&source, source.layoutCode, nullptr, 0},
                 PixelFormatSide{&destination, QX_LAYOUT_32BIT, nullptr, 0}, sourceRect,
                 destinationRect);
}

}  // namespace quorix::render
