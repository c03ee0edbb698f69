#include "display/gdi_output.h"

#include <algorithm>
#include <cstring>

#include "common/color_table.h"
#include "common/memory.h"
#include "config/diagnostic_log.h"
#include "render/offscreen_port.h"
#include "render/pixel_map.h"
#include "render/resource_color_table.h"

namespace quorix::display {
namespace {

namespace pf = quorix::platform;

constexpr int32_t kPixelsPerMetre = 2835;

}  // namespace

DibHeader dibHeaderOfMap(MemHandle handle, uint32_t layoutCode) {
  const render::PixelMap* map = render::pixelMapOf(handle);
  if (map == nullptr) return DibHeader(nullptr, engineFree);
  uint32_t depth = map->pixelSize;
  size_t colourBytes = depth == 8 ? 4 * 256 : depth == 16 ? 4 * 3 : 0;
  DibHeader block(static_cast<uint8_t*>(engineAllocateZeroed(sizeof(pf::BitmapInfoHeader) + colourBytes)),
                  engineFree);
  if (!block) return block;
  pf::BitmapInfoHeader header;
  uint32_t rowBytes = map->rowBytes;  // as stored: each depth masks what it reads
  switch (depth) {
    case 8: header.width = static_cast<int32_t>(rowBytes & 0x3FFF); break;
    case 16: header.width = static_cast<int32_t>((rowBytes >> 1) & 0x1FFF); break;
    case 32: header.width = static_cast<int32_t>((rowBytes >> 2) & 0xFFF); break;
    default: header.width = map->bounds.right - map->bounds.left; break;
  }
  header.height = map->bounds.top - map->bounds.bottom;  // negative: rows run top-down
  header.bitCount = static_cast<uint16_t>(depth);
  header.compression = depth == 16 ? pf::kBiBitfields : pf::kBiRgb;
  header.xPelsPerMeter = kPixelsPerMetre;
  header.yPelsPerMeter = kPixelsPerMetre;
  std::memcpy(block.get(), &header, sizeof(header));
  uint8_t* colours = block.get() + sizeof(header);
  if (depth == 16) {
    uint32_t masks[3] = {0x7C00, 0x3E0, 0x1F};
    if (layoutCode == QX_LAYOUT_565) masks[0] = 0xF800, masks[1] = 0x7E0;
    std::memcpy(colours, masks, sizeof(masks));
  } else if (depth == 8) {
    const ColorEntry* entries = colorTableEntries(map->colorTable);
    int count = std::min(colorTableCount(map->colorTable), 256);
    for (int i = 0; i < count; ++i) {
      colours[i * 4] = static_cast<uint8_t>(entries[i].blue >> 8);
      colours[i * 4 + 1] = static_cast<uint8_t>(entries[i].green >> 8);
      colours[i * 4 + 2] = static_cast<uint8_t>(entries[i].red >> 8);
    }
  }
  return block;
}

bool drawMapToDC(MemHandle handle, uint32_t layoutCode, pf::DeviceContext* dc,
                 const Rect16& source, const Rect16& destination) {
  const render::PixelMap* map = render::pixelMapOf(handle);
  DibHeader header = dibHeaderOfMap(handle, layoutCode);
  if (!header || dc == nullptr) return false;  // no header: the copy is skipped
  auto* info = reinterpret_cast<const pf::BitmapInfoHeader*>(header.get());
  int32_t rows = info->height < 0 ? -info->height : info->height;
  pf::setStretchBltMode(dc, pf::kStretchColorOnColor);
  // The bitmap's y origin is its bottom row, whatever the row order.
  int lines = pf::stretchDIBits(dc, destination.left, destination.top,
                                destination.right - destination.left,
                                destination.bottom - destination.top, source.left,
                                rows - source.bottom, source.right - source.left,
                                source.bottom - source.top, map->baseAddr, info,
                                pf::kDibRgbColors, pf::kSourceCopy);
  if (lines == 0) config::logTrace("The frame could not be copied to the window");
  return lines != 0;
}

void showFrame(const render::FrameBuffer& frame, pf::DeviceContext* dc, const Rect16& destination,
               int32_t mode) {
  if (mode == kShowIntoContext) {
    drawMapToDC(frame.framePixelMap, frame.layoutCode, dc, frame.bounds, destination);
  } else {
    copyBitsToWindow(frame.framePixelMap, frame.bounds, destination, mode, nullptr);
  }
}

void copyBitsToWindow(MemHandle source, const Rect16& sourceRect, const Rect16& destinationRect,
                      int32_t, const void*) {
  DrawingPort port = currentPort();
  if (port.window == nullptr || render::pixelMapOf(source) == nullptr) return;
  pf::DeviceContext* dc = portDC();
  drawMapToDC(source, render::currentFrameBuffer().layoutCode, dc, sourceRect, destinationRect);
  releasePortDC(dc);
}

void copyBitsToMap(MemHandle source, MemHandle destination, const Rect16& sourceRect,
                   const Rect16& destinationRect, int32_t, const void*) {
  render::PixelMap* to = render::pixelMapOf(destination);
  if (render::pixelMapOf(source) == nullptr || to == nullptr || to->baseAddr == nullptr) return;
  uint32_t layout = render::currentFrameBuffer().layoutCode;
  DibHeader header = dibHeaderOfMap(destination, layout);
  if (!header) return;
  // The desktop converts between the two pixel sizes on the way into a section described by
  // the destination; the destination rectangle then goes back into the map, row by row.
  pf::DeviceContext* dc = pf::createCompatibleDC(nullptr);
  void* bits = nullptr;
  pf::Bitmap* section = pf::createDIBSection(dc, reinterpret_cast<pf::BitmapInfoHeader*>(header.get()), &bits);
  if (section != nullptr) {
    pf::selectBitmap(dc, section);
    Rect16 local{static_cast<int16_t>(destinationRect.top - to->bounds.top),
                 static_cast<int16_t>(destinationRect.left - to->bounds.left),
                 static_cast<int16_t>(destinationRect.bottom - to->bounds.top),
                 static_cast<int16_t>(destinationRect.right - to->bounds.left)};
    drawMapToDC(source, layout, dc, sourceRect, local);
    pf::BitmapFacts facts = pf::bitmapFacts(section);
    int32_t bytes = to->pixelSize >= 24 ? 4 : to->pixelSize / 8;
    int32_t sectionRowBytes = pf::dibRowBytes(facts.width, facts.bitCount);
    int32_t mapRowBytes = render::rowBytesOf(*to);
    int32_t mapHeight = to->bounds.bottom - to->bounds.top;
    // Only rows and columns inside the destination map are written.
    int32_t top = std::max<int32_t>(local.top, 0);
    int32_t bottom = std::min<int32_t>({local.bottom, mapHeight, facts.height});
    int32_t left = std::max<int32_t>(local.left, 0);
    int32_t right = std::min<int32_t>({local.right, facts.width, mapRowBytes / std::max(bytes, 1)});
    for (int32_t y = top; y < bottom && left < right; ++y) {
      std::memcpy(static_cast<uint8_t*>(to->baseAddr) + static_cast<ptrdiff_t>(y) * mapRowBytes + left * bytes,
                  static_cast<uint8_t*>(bits) + static_cast<ptrdiff_t>(y) * sectionRowBytes + left * bytes,
                  static_cast<size_t>(right - left) * bytes);
    }
  }
  pf::deleteDC(dc);
  pf::deleteBitmap(section);
}

bool pictureThumbnail(uint8_t out[1024], MemHandle picture) {
  MemHandle table = render::makeResourceColorTable(8);
  render::OffscreenPort* port = nullptr;
  Rect16 bounds{0, 0, 32, 32};
  render::newOffscreenPort(&port, 8, bounds, table, 0);
  disposeHandle(table);
  if (port == nullptr) return false;
  render::PixelMap* map = render::pixelMapOf(port->pixMap);
  std::memset(map->baseAddr, 0, static_cast<size_t>(render::rowBytesOf(*map)) * 32);  // erased: white
  if (const render::PixelMap* source = render::pixelMapOf(picture)) {
    copyBitsToMap(picture, port->pixMap, source->bounds, bounds, 0, nullptr);
  }
  for (int y = 0; y < 32; ++y) {
    std::memcpy(out + y * 32, static_cast<uint8_t*>(map->baseAddr) + y * render::rowBytesOf(*map), 32);
  }
  render::disposeOffscreenPort(port);
  return true;
}

}  // namespace quorix::display
