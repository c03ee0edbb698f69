#include "display/gdi_resources.h"

#include <atomic>
#include <cstring>

#include "common/byte_order.h"
#include "ui/color_table_resource.h"
#include "ui/image_resources.h"

namespace quorix::display {
namespace {

namespace pf = quorix::platform;

std::atomic<bool> gStretchSuppressed{false};

// The colours of a colour-table resource: the high bytes of its 16-bit components.
bool tableColours(int id, std::vector<pf::PaletteEntry>& colours) {
  const std::vector<uint8_t>* table = ui::colorTableResource(id == 8 ? ui::kDefaultColorTableId : id);
  if (table == nullptr || table->size() < 8) return false;
  int count = loadBE16(table->data() + 6) + 1;
  colours.clear();
  for (int i = 0; i < count && 8 + static_cast<size_t>(i) * 8 + 8 <= table->size(); ++i) {
    const uint8_t* entry = table->data() + 8 + i * 8;
    colours.push_back({entry[2], entry[4], entry[6], 0});
  }
  return true;
}

}  // namespace

void setBitmapStretchSuppressed(bool suppressed) { gStretchSuppressed.store(suppressed); }
bool bitmapStretchSuppressed() { return gStretchSuppressed.load(); }

bool BitmapResource::load(int id) {
  release();
  const std::vector<uint8_t>* resource = ui::bitmapResource(id);
  if (resource == nullptr || resource->size() < 40) return false;
  pf::BitmapInfoHeader header;
  std::memcpy(&header, resource->data(), sizeof(header));
  int colourCount = header.bitCount <= 8
                        ? (header.clrUsed != 0 ? static_cast<int>(header.clrUsed) : 1 << header.bitCount)
                        : 0;
  size_t bitsAt = header.size + static_cast<size_t>(colourCount) * 4 +
                  (header.compression == pf::kBiBitfields ? 12 : 0);
  if (bitsAt > resource->size()) return false;
  // Bitmaps of 8 bits and fewer bring their palette; deeper ones on an 8-bit screen get the
  // default table's.
  auto palette = std::make_shared<pf::Palette>();
  if (header.bitCount <= 8) {
    for (int i = 0; i < colourCount; ++i) {
      const uint8_t* quad = resource->data() + header.size + i * 4;
      palette->entries.push_back({quad[2], quad[1], quad[0], 0});
    }
  } else if (pf::screenInfo().bitsPerPixel == 8) {
    palette = paletteFromColorTable(ui::kDefaultColorTableId);
  } else {
    palette.reset();
  }
  screen_ = pf::getScreenDC();
  if (palette) {
    previousPalette_ = pf::selectPalette(screen_, palette, false);
    pf::realizePalette(screen_);
  }
  palette_ = palette;
  bitmap_ = pf::createDIBitmap(screen_, reinterpret_cast<const pf::BitmapInfoHeader*>(resource->data()),
                               resource->data() + bitsAt);
  if (bitmap_ == nullptr) {
    release();
    return false;
  }
  width_ = header.width;
  height_ = header.height < 0 ? -header.height : header.height;
  return true;
}

void BitmapResource::draw(pf::DeviceContext* dc, const pf::WinRect& rect) const {
  if (bitmap_ == nullptr || dc == nullptr) return;
  pf::DeviceContext* source = pf::createCompatibleDC(dc);
  pf::selectBitmap(source, bitmap_);
  bool ownSize = (pf::winRectWidth(rect) == width_ && pf::winRectHeight(rect) == height_) ||
                 bitmapStretchSuppressed();
  if (ownSize) {
    pf::bitBlt(dc, rect.left, rect.top, width_, height_, source, 0, 0, pf::kSourceCopy);
  } else {
    pf::stretchBlt(dc, rect.left, rect.top, pf::winRectWidth(rect), pf::winRectHeight(rect),
                   source, 0, 0, width_, height_, pf::kSourceCopy);
  }
  pf::deleteDC(source);
}

void BitmapResource::draw(pf::DeviceContext* dc, int32_t x, int32_t y) const {
  draw(dc, pf::WinRect{x, y, x + width_, y + height_});
}

void BitmapResource::release() {
  pf::deleteBitmap(bitmap_);
  bitmap_ = nullptr;
  if (screen_ != nullptr) {
    if (palette_) {
      pf::selectPalette(screen_, previousPalette_, false);
      pf::realizePalette(screen_);
    }
    pf::releaseDC(nullptr, screen_);
  }
  screen_ = nullptr;
  palette_.reset();
  previousPalette_.reset();
  width_ = height_ = 0;
}

void iconToPixels(uint8_t out[1024], const pf::Icon* icon) {
  pf::BitmapInfo info;
  std::memset(out, 0, 1024);
  if (!dibHeaderFromColorTable(ui::kDefaultColorTableId, 32, 32, info)) return;
  info.header.height = 32;  // rows bottom-up
  void* bits = nullptr;
  pf::DeviceContext* dc = pf::createCompatibleDC(nullptr);
  pf::Bitmap* section = pf::createDIBSection(dc, &info.header, &bits);
  if (section != nullptr) {
    std::memset(bits, 0, 32 * 32);
    pf::selectBitmap(dc, section);
    if (icon != nullptr) pf::drawIcon(dc, 0, 0, *icon);
    pf::gdiFlush();
    const auto* rows = static_cast<const uint8_t*>(bits);
    for (int y = 0; y < 32; ++y) std::memcpy(out + y * 32, rows + (31 - y) * 32, 32);
  }
  pf::deleteDC(dc);
  pf::deleteBitmap(section);
}

void iconToPixels(uint8_t out[1024], int iconId) { iconToPixels(out, ui::iconResource(iconId)); }

std::shared_ptr<pf::Palette> paletteFromColorTable(int id) {
  auto palette = std::make_shared<pf::Palette>();
  if (!tableColours(id, palette->entries)) return nullptr;
  palette->version = 0x300;
  return palette;
}

bool dibHeaderFromColorTable(int id, int32_t width, int32_t height, pf::BitmapInfo& out) {
  std::vector<pf::PaletteEntry> colours;
  if (!tableColours(id, colours)) return false;
  out = pf::BitmapInfo{};
  out.header.width = width;
  out.header.height = -height;
  out.header.bitCount = 8;
  out.header.clrUsed = static_cast<uint32_t>(std::min<size_t>(colours.size(), 256));
  for (size_t i = 0; i < colours.size() && i < 256; ++i) {
    out.colors[i] = {colours[i].blue, colours[i].green, colours[i].red, 0};
  }
  return true;
}

}  // namespace quorix::display
