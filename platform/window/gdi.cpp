// Bitmaps, device contexts and drawing: pixels of every supported format go through one
// colour form (0x00RRGGBB), read from the source and written in the target's format.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/font/font.h"
#include "platform/window/window_internal.h"

namespace quorix::platform {
namespace {

constexpr int32_t kMaxBitmapSize = 16384;

}  // namespace

uint32_t widenChannel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = __builtin_ctz(mask);
  int bits = __builtin_popcount(mask);
  uint32_t v = (pixel & mask) >> shift;
  if (bits >= 8) return v >> (bits - 8);
  uint32_t out = 0;
  int filled = 0;
  while (filled < 8) {
    out = (out << bits) | v;
    filled += bits;
  }
  return out >> (filled - 8);
}

namespace {

// An 8-bit channel value packed into a mask's bits (its high bits kept).
uint32_t pack(uint32_t value8, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = __builtin_ctz(mask);
  int bits = __builtin_popcount(mask);
  uint32_t v = bits >= 8 ? value8 << (bits - 8) : value8 >> (8 - bits);
  return (v << shift) & mask;
}

uint32_t rgbOf(ColorRef c) {
  return (static_cast<uint32_t>(colorRed(c)) << 16) | (colorGreen(c) << 8) | colorBlue(c);
}

uint32_t readValue(const PixelView& view, int32_t x, int32_t y) {
  const uint8_t* row = view.row(y);
  switch (view.bitCount) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) != 0 ? 0 : 4)) & 0xF;
    case 8: return row[x];
    case 16: return static_cast<uint32_t>(row[2 * x]) | (static_cast<uint32_t>(row[2 * x + 1]) << 8);
    case 24:
      return static_cast<uint32_t>(row[3 * x]) | (static_cast<uint32_t>(row[3 * x + 1]) << 8) |
             (static_cast<uint32_t>(row[3 * x + 2]) << 16);
    default: {
      uint32_t v;
      std::memcpy(&v, row + 4 * x, 4);
      return v;
    }
  }
}

void writeValue(const PixelView& view, int32_t x, int32_t y, uint32_t value) {
  uint8_t* row = view.row(y);
  switch (view.bitCount) {
    case 1: {
      uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<uint8_t>((value & 1) != 0 ? row[x >> 3] | bit : row[x >> 3] & ~bit);
      break;
    }
    case 4: {
      uint8_t& b = row[x >> 1];
      b = (x & 1) != 0 ? static_cast<uint8_t>((b & 0xF0) | (value & 0xF))
                       : static_cast<uint8_t>((b & 0x0F) | ((value & 0xF) << 4));
      break;
    }
    case 8: row[x] = static_cast<uint8_t>(value); break;
    case 16:
      row[2 * x] = static_cast<uint8_t>(value);
      row[2 * x + 1] = static_cast<uint8_t>(value >> 8);
      break;
    case 24:
      row[3 * x] = static_cast<uint8_t>(value);
      row[3 * x + 1] = static_cast<uint8_t>(value >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(value >> 16);
      break;
    default: std::memcpy(row + 4 * x, &value, 4); break;
  }
}

int nearestIndex(const RgbQuad* colors, int32_t count, uint32_t rgb) {
  int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  int best = 0;
  int bestDistance = 1 << 30;
  for (int32_t i = 0; i < count; ++i) {
    int dr = colors[i].red - r, dg = colors[i].green - g, db = colors[i].blue - b;
    int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

// A rectangle of pixels in top-down coordinates.
struct Area {
  int32_t x, y, width, height;
};

bool isPlain32(const PixelView& view) {
  return view.bitCount == 32 && view.masks[0] == 0xFF0000 && view.masks[1] == 0xFF00 &&
         view.masks[2] == 0xFF;
}

// The colour of every value of an 8-bit or 16-bit view, or null for other depths. The 16-bit
// table is kept per thread for the last masks asked for.
const uint32_t* colourLookup(const PixelView& view) {
  thread_local std::vector<uint32_t> palette;
  thread_local std::vector<uint32_t> packed;
  thread_local uint32_t packedMasks[3] = {0, 0, 0};
  if (view.bitCount == 8) {
    palette.assign(256, 0);
    for (int32_t i = 0; i < std::min(view.colorCount, 256); ++i) {
      const RgbQuad& q = view.colors[i];
      palette[static_cast<size_t>(i)] = (static_cast<uint32_t>(q.red) << 16) | (q.green << 8) | q.blue;
    }
    return palette.data();
  }
  if (view.bitCount != 16) return nullptr;
  if (packed.empty() || std::memcmp(packedMasks, view.masks, sizeof(packedMasks)) != 0) {
    packed.resize(65536);
    for (uint32_t v = 0; v < 65536; ++v) {
      packed[v] = (widenChannel(v, view.masks[0]) << 16) | (widenChannel(v, view.masks[1]) << 8) |
                  widenChannel(v, view.masks[2]);
    }
    std::memcpy(packedMasks, view.masks, sizeof(packedMasks));
  }
  return packed.data();
}

// Nearest-neighbour copy of `source`'s area into `target`'s area; negative sizes mirror.
// Only pixels inside both bitmaps (and inside `clip` when given) are touched.
void stretchInto(const PixelView& source, Area from, Bitmap& target, Area to,
                 const WinRect* clip = nullptr) {
  if (from.width == 0 || from.height == 0 || to.width == 0 || to.height == 0) return;
  bool mirrorX = (from.width < 0) != (to.width < 0);
  bool mirrorY = (from.height < 0) != (to.height < 0);
  if (from.width < 0) { from.x += from.width; from.width = -from.width; }
  if (from.height < 0) { from.y += from.height; from.height = -from.height; }
  if (to.width < 0) { to.x += to.width; to.width = -to.width; }
  if (to.height < 0) { to.y += to.height; to.height = -to.height; }
  int64_t x0 = std::max<int64_t>(to.x, 0), y0 = std::max<int64_t>(to.y, 0);
  int64_t x1 = std::min<int64_t>(int64_t{to.x} + to.width, target.view.width);
  int64_t y1 = std::min<int64_t>(int64_t{to.y} + to.height, target.view.height);
  if (clip != nullptr) {
    x0 = std::max<int64_t>(x0, clip->left);
    y0 = std::max<int64_t>(y0, clip->top);
    x1 = std::min<int64_t>(x1, clip->right);
    y1 = std::min<int64_t>(y1, clip->bottom);
  }
  if (x0 >= x1 || y0 >= y1) return;
  // The source column of every destination column (-1 outside the source).
  std::vector<int32_t> columns(static_cast<size_t>(x1 - x0));
  for (int64_t x = x0; x < x1; ++x) {
    int64_t i = x - to.x;
    if (mirrorX) i = to.width - 1 - i;
    int64_t sx = from.x + i * from.width / to.width;
    columns[static_cast<size_t>(x - x0)] = sx < 0 || sx >= source.width ? -1 : static_cast<int32_t>(sx);
  }
  const uint32_t* lookup = colourLookup(source);
  bool sourcePlain = isPlain32(source);
  bool direct = isPlain32(target.view) && (lookup != nullptr || sourcePlain);
  for (int64_t y = y0; y < y1; ++y) {
    int64_t j = y - to.y;
    if (mirrorY) j = to.height - 1 - j;
    int64_t sy = from.y + j * from.height / to.height;
    if (sy < 0 || sy >= source.height) continue;
    auto row = static_cast<int32_t>(sy);
    if (direct) {
      // The usual case, any bitmap into a window's surface: one table look-up a pixel.
      const uint8_t* from8 = source.row(row);
      auto* into = reinterpret_cast<uint32_t*>(target.view.row(static_cast<int32_t>(y)));
      for (int64_t x = x0; x < x1; ++x) {
        int32_t sx = columns[static_cast<size_t>(x - x0)];
        if (sx < 0) continue;
        if (sourcePlain) {
          uint32_t value;
          std::memcpy(&value, from8 + 4 * static_cast<size_t>(sx), 4);
          into[x] = value & 0xFFFFFF;
          continue;
        }
        uint32_t value = source.bitCount == 8 ? from8[sx]
                                              : static_cast<uint32_t>(from8[2 * sx]) | (from8[2 * sx + 1] << 8);
        into[x] = lookup[value];
      }
      continue;
    }
    for (int64_t x = x0; x < x1; ++x) {
      int32_t sx = columns[static_cast<size_t>(x - x0)];
      if (sx < 0) continue;
      target.writeRgb(static_cast<int32_t>(x), static_cast<int32_t>(y), source.readRgb(sx, row));
    }
  }
}

// Puts a new value into a context's state and gives back the old one (a default value for a
// null context).
template <typename T>
T exchangeState(DeviceContext* dc, T DcState::*field, T value) {
  if (dc == nullptr) return T{};
  T old = std::move(dc->state.*field);
  dc->state.*field = std::move(value);
  return old;
}

Bitmap* targetOf(DeviceContext* dc) { return dc != nullptr ? dc->target() : nullptr; }

// After drawing into a window's surface: the window shows it at the next present.
void drawn(DeviceContext* dc) {
  if (dc != nullptr && dc->kind == DeviceContext::Kind::Window && isWindow(dc->window)) {
    dc->window->dirty = true;
  }
}

void fillArea(Bitmap& bitmap, int64_t left, int64_t top, int64_t right, int64_t bottom,
              uint32_t rgb) {
  left = std::max<int64_t>(left, 0);
  top = std::max<int64_t>(top, 0);
  right = std::min<int64_t>(right, bitmap.view.width);
  bottom = std::min<int64_t>(bottom, bitmap.view.height);
  if (left >= right || top >= bottom) return;
  uint32_t value = bitmap.encode(rgb);
  for (int64_t y = top; y < bottom; ++y) {
    for (int64_t x = left; x < right; ++x) {
      bitmap.writeRaw(static_cast<int32_t>(x), static_cast<int32_t>(y), value);
    }
  }
}

void plot(Bitmap& bitmap, int64_t x, int64_t y, int width, uint32_t rgb) {
  int64_t half = (width - 1) / 2;
  fillArea(bitmap, x - half, y - half, x - half + width, y - half + width, rgb);
}

// A blend of a colour over a pixel by a coverage 0..255.
uint32_t blend(uint32_t under, uint32_t over, uint32_t coverage) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    uint32_t u = (under >> shift) & 0xFF, o = (over >> shift) & 0xFF;
    out |= ((u * (255 - coverage) + o * coverage + 127) / 255) << shift;
  }
  return out;
}

int emPixelsOf(const LogFont& logFont) {
  if (logFont.height < 0) return -logFont.height;
  // A cell height: Liberation Sans's cell is 2288 units of a 2048-unit em.
  if (logFont.height > 0) return std::max(1, (logFont.height * 2048 + 1144) / 2288);
  return 13;
}

std::shared_ptr<Font> cachedFont(const FontRequest& request) {
  static std::mutex mutex;
  static std::map<std::tuple<std::string, int, bool, bool>, std::shared_ptr<Font>> cache;
  std::lock_guard<std::mutex> lock(mutex);
  // Faces are kept per file, so a changed search list finds its own (or no) face.
  auto key = std::make_tuple(findFontFile(), request.pixelHeight, request.bold, request.italic);
  auto found = cache.find(key);
  if (found != cache.end() && found->second->status() == FontStatus::Ready) return found->second;
  std::shared_ptr<Font> font = Font::open(request);
  cache[key] = font;
  return font;
}

std::shared_ptr<GdiFont> fontOf(DeviceContext* dc) {
  return dc->state.font ? dc->state.font : stockFont(StockFont::System);
}

// Draws the characters of a string with the cell's top-left at (x, top); returns the width.
int32_t drawCharacters(DeviceContext* dc, int32_t x, int32_t top, const char* text, int length,
                       const WinRect* clip) {
  Bitmap* bitmap = targetOf(dc);
  std::shared_ptr<GdiFont> gdiFont = fontOf(dc);
  const Font& font = *gdiFont->font;
  const FontMetrics& metrics = font.metrics();
  int32_t pen = x;
  if (bitmap == nullptr || text == nullptr || length <= 0) return 0;
  WinRect bounds{0, 0, bitmap->view.width, bitmap->view.height};
  if (clip != nullptr) {
    bounds.left = std::max(bounds.left, clip->left);
    bounds.top = std::max(bounds.top, clip->top);
    bounds.right = std::min(bounds.right, clip->right);
    bounds.bottom = std::min(bounds.bottom, clip->bottom);
  }
  bool antialiased = bitmap->view.bitCount >= 16;
  uint32_t ink = rgbOf(dc->state.textColor);
  int32_t baseline = top + metrics.ascent;
  GlyphBitmap glyph;
  for (int i = 0; i < length; ++i) {
    auto c = static_cast<uint8_t>(text[i]);
    int32_t advance = font.advance(c);
    if (dc->state.backgroundMode == kBackgroundOpaque) {
      WinRect cell{std::max(pen, bounds.left), std::max(top, bounds.top),
                   std::min(pen + advance, bounds.right),
                   std::min(top + metrics.height, bounds.bottom)};
      fillArea(*bitmap, cell.left, cell.top, cell.right, cell.bottom,
               rgbOf(dc->state.backgroundColor));
    }
    if (font.render(c, antialiased, glyph)) {
      for (int gy = 0; gy < glyph.rows; ++gy) {
        int32_t py = baseline - glyph.top + gy;
        if (py < bounds.top || py >= bounds.bottom) continue;
        for (int gx = 0; gx < glyph.width; ++gx) {
          int32_t px = pen + glyph.left + gx;
          uint8_t a = glyph.coverage[static_cast<size_t>(gy) * glyph.width + gx];
          if (a == 0 || px < bounds.left || px >= bounds.right) continue;
          uint32_t rgb = a == 255 ? ink : blend(bitmap->view.readRgb(px, py), ink, a);
          bitmap->writeRgb(px, py, rgb);
        }
      }
    }
    pen += advance;
  }
  const LogFont& style = gdiFont->logFont;
  int32_t lineWidth = std::max(1, metrics.height / 16);
  if (style.underline) fillArea(*bitmap, x, baseline + 1, pen, baseline + 1 + lineWidth, ink);
  if (style.strikeOut) {
    int32_t at = baseline - metrics.ascent / 3;
    fillArea(*bitmap, x, at, pen, at + lineWidth, ink);
  }
  return pen - x;
}

// The desktop's own 8-bit palette: a 6 x 6 x 6 colour cube and a grey ramp.
const std::vector<RgbQuad>& desktopPalette() {
  static const std::vector<RgbQuad> palette = [] {
    std::vector<RgbQuad> colors;
    for (int r = 0; r < 6; ++r) {
      for (int g = 0; g < 6; ++g) {
        for (int b = 0; b < 6; ++b) {
          colors.push_back({static_cast<uint8_t>(b * 51), static_cast<uint8_t>(g * 51),
                            static_cast<uint8_t>(r * 51), 0});
        }
      }
    }
    while (colors.size() < 256) {
      auto v = static_cast<uint8_t>((colors.size() - 216) * 255 / 39);
      colors.push_back({v, v, v, 0});
    }
    return colors;
  }();
  return palette;
}

std::unique_ptr<Bitmap> desktopBitmap(int32_t width, int32_t height) {
  int32_t bits = screenInfo().bitsPerPixel;
  static const uint32_t k555[3] = {0x7C00, 0x3E0, 0x1F};
  static const uint32_t k565[3] = {0xF800, 0x7E0, 0x1F};
  switch (bits) {
    case 8: return makeBitmap(width, height, 8, true, nullptr, desktopPalette().data(), 256);
    case 15: return makeBitmap(width, height, 16, true, k555, nullptr, 0);
    case 16: return makeBitmap(width, height, 16, true, k565, nullptr, 0);
    case 24: return makeBitmap(width, height, 24, true, nullptr, nullptr, 0);
    default: return makeBitmap(width, height, 32, true, nullptr, nullptr, 0);
  }
}

}  // namespace

// ----- pixel views and bitmaps

uint32_t PixelView::readRgb(int32_t x, int32_t y) const {
  uint32_t value = readValue(*this, x, y);
  if (bitCount <= 8) {
    if (static_cast<int32_t>(value) >= colorCount) return 0;
    const RgbQuad& q = colors[value];
    return (static_cast<uint32_t>(q.red) << 16) | (q.green << 8) | q.blue;
  }
  if (bitCount == 24) return value & 0xFFFFFF;
  return (widenChannel(value, masks[0]) << 16) | (widenChannel(value, masks[1]) << 8) |
         widenChannel(value, masks[2]);
}

bool viewOfDib(const BitmapInfoHeader* info, const void* bits, PixelView& view) {
  if (info == nullptr || bits == nullptr || info->size < 40) return false;
  int32_t bitCount = info->bitCount;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32) {
    return false;
  }
  int64_t height = info->height < 0 ? -int64_t{info->height} : info->height;
  if (info->width <= 0 || height == 0 || info->width > kMaxBitmapSize || height > kMaxBitmapSize) {
    return false;
  }
  const auto* colourPart = reinterpret_cast<const uint8_t*>(info) + info->size;
  view = PixelView{};
  view.bits = static_cast<uint8_t*>(const_cast<void*>(bits));
  view.width = info->width;
  view.height = static_cast<int32_t>(height);
  view.bitCount = bitCount;
  view.stride = dibRowBytes(info->width, bitCount);
  view.topDown = info->height < 0;
  if (bitCount <= 8) {
    if (info->compression != kBiRgb) return false;
    int32_t most = 1 << bitCount;
    view.colorCount = info->clrUsed == 0 ? most : static_cast<int32_t>(std::min<uint32_t>(info->clrUsed, most));
    view.colors = reinterpret_cast<const RgbQuad*>(colourPart);
  } else if (info->compression == kBiBitfields && bitCount != 24) {
    std::memcpy(view.masks, colourPart, sizeof(view.masks));
  } else if (info->compression == kBiRgb) {
    if (bitCount == 16) {
      view.masks[0] = 0x7C00, view.masks[1] = 0x3E0, view.masks[2] = 0x1F;
    } else {
      view.masks[0] = 0xFF0000, view.masks[1] = 0xFF00, view.masks[2] = 0xFF;
    }
  } else {
    return false;
  }
  return true;
}

std::unique_ptr<Bitmap> makeBitmap(int32_t width, int32_t height, int32_t bitCount,
                                   bool topDown, const uint32_t* masks, const RgbQuad* colors,
                                   int32_t colorCount) {
  if (width < 0 || height < 0 || width > kMaxBitmapSize || height > kMaxBitmapSize) return nullptr;
  auto bitmap = std::make_unique<Bitmap>();
  PixelView& view = bitmap->view;
  view.width = width;
  view.height = height;
  view.bitCount = bitCount;
  view.stride = dibRowBytes(width, bitCount);
  view.topDown = topDown;
  if (bitCount <= 8) {
    bitmap->colors.assign(colors, colors + std::max(0, colorCount));
    bitmap->colors.resize(static_cast<size_t>(1) << bitCount);
    view.colorCount = std::min<int32_t>(std::max(colorCount, 0), 1 << bitCount);
  } else if (masks != nullptr) {
    std::memcpy(view.masks, masks, sizeof(view.masks));
    bitmap->bitfields = true;
  } else if (bitCount == 16) {
    view.masks[0] = 0x7C00, view.masks[1] = 0x3E0, view.masks[2] = 0x1F;
  } else {
    view.masks[0] = 0xFF0000, view.masks[1] = 0xFF00, view.masks[2] = 0xFF;
  }
  try {
    bitmap->storage.assign(static_cast<size_t>(view.stride) * height, 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  view.bits = bitmap->storage.data();
  view.colors = bitmap->colors.empty() ? nullptr : bitmap->colors.data();
  return bitmap;
}

uint32_t Bitmap::encode(uint32_t rgb) {
  if (view.bitCount <= 8) {
    if (view.colorCount == 0) return 0;
    // A direct-mapped cache of colours already looked up: the nearest search is 256 steps.
    if (nearestKeys.empty()) {
      nearestKeys.assign(kNearestCacheSize, 0xFFFFFFFFu);
      nearestValues.assign(kNearestCacheSize, 0);
    }
    size_t slot = (rgb ^ (rgb >> 11) ^ (rgb >> 19)) & (kNearestCacheSize - 1);
    if (nearestKeys[slot] != rgb) {
      nearestKeys[slot] = rgb;
      nearestValues[slot] = static_cast<uint8_t>(nearestIndex(view.colors, view.colorCount, rgb));
    }
    return nearestValues[slot];
  }
  uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  if (view.bitCount == 24) return rgb & 0xFFFFFF;
  return pack(r, view.masks[0]) | pack(g, view.masks[1]) | pack(b, view.masks[2]);
}

void Bitmap::writeRaw(int32_t x, int32_t y, uint32_t value) { writeValue(view, x, y, value); }

void Bitmap::writeRgb(int32_t x, int32_t y, uint32_t rgb) { writeValue(view, x, y, encode(rgb)); }

Bitmap* DeviceContext::target() const {
  switch (kind) {
    case Kind::Window: return isWindow(window) ? window->surface.get() : nullptr;
    case Kind::Memory: return selected != nullptr ? selected : stockBitmap.get();
    case Kind::Screen: return nullptr;
  }
  return nullptr;
}

// ----- contexts

DeviceContext* getDC(Window* window) {
  if (!isWindow(window)) return nullptr;
  auto* dc = new DeviceContext;
  dc->kind = DeviceContext::Kind::Window;
  dc->window = window;
  return dc;
}

void releaseDC(Window*, DeviceContext* dc) {
  if (dc == nullptr || dc->kind == DeviceContext::Kind::Memory) return;
  if (dc->kind == DeviceContext::Kind::Window) presentIfDrawn(dc->window);
  delete dc;
}

DeviceContext* getScreenDC() {
  auto* dc = new DeviceContext;
  dc->kind = DeviceContext::Kind::Screen;
  return dc;
}

DeviceContext* beginPaint(Window* window) {
  DeviceContext* dc = getDC(window);
  if (dc != nullptr) window->invalid = false;
  return dc;
}

void endPaint(Window* window, DeviceContext* dc) { releaseDC(window, dc); }

DeviceContext* createCompatibleDC(DeviceContext*) {
  auto* dc = new DeviceContext;
  dc->kind = DeviceContext::Kind::Memory;
  dc->stockBitmap = makeBitmap(1, 1, 32, true, nullptr, nullptr, 0);
  return dc;
}

void deleteDC(DeviceContext* dc) {
  if (dc == nullptr || dc->kind != DeviceContext::Kind::Memory) return;
  if (dc->selected != nullptr) dc->selected->selectedInto = nullptr;
  delete dc;
}

int saveDC(DeviceContext* dc) {
  if (dc == nullptr) return 0;
  dc->saved.push_back(dc->state);
  return static_cast<int>(dc->saved.size());
}

bool restoreDC(DeviceContext* dc, int level) {
  if (dc == nullptr || dc->saved.empty()) return false;
  size_t index = level < 0 ? dc->saved.size() + level : static_cast<size_t>(level) - 1;
  if (index >= dc->saved.size()) return false;
  dc->state = dc->saved[index];
  dc->saved.resize(index);
  return true;
}

Bitmap* createDIBSection(DeviceContext*, const BitmapInfoHeader* info, void** bits) {
  if (bits != nullptr) *bits = nullptr;
  static uint8_t probe[4];
  PixelView view;
  if (!viewOfDib(info, probe, view)) return nullptr;
  const uint32_t* masks = info->compression == kBiBitfields ? view.masks : nullptr;
  std::unique_ptr<Bitmap> bitmap = makeBitmap(view.width, view.height, view.bitCount,
                                              view.topDown, masks, view.colors, view.colorCount);
  if (!bitmap) return nullptr;
  if (bits != nullptr) *bits = bitmap->view.bits;
  return bitmap.release();
}

Bitmap* createCompatibleBitmap(DeviceContext*, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  return desktopBitmap(width, height).release();
}

Bitmap* createDIBitmap(DeviceContext*, const BitmapInfoHeader* info, const void* bits) {
  PixelView source;
  if (!viewOfDib(info, bits, source)) return nullptr;
  std::unique_ptr<Bitmap> bitmap = desktopBitmap(source.width, source.height);
  if (!bitmap) return nullptr;
  stretchInto(source, {0, 0, source.width, source.height}, *bitmap,
              {0, 0, source.width, source.height});
  return bitmap.release();
}

void deleteBitmap(Bitmap* bitmap) {
  if (bitmap == nullptr || bitmap->window != nullptr) return;
  if (bitmap->selectedInto != nullptr) bitmap->selectedInto->selected = nullptr;
  delete bitmap;
}

Bitmap* selectBitmap(DeviceContext* dc, Bitmap* bitmap) {
  if (dc == nullptr || dc->kind != DeviceContext::Kind::Memory || bitmap == nullptr ||
      bitmap->window != nullptr) {
    return nullptr;
  }
  if (bitmap->selectedInto != nullptr && bitmap->selectedInto != dc) return nullptr;
  Bitmap* old = dc->target();
  if (dc->selected != nullptr) dc->selected->selectedInto = nullptr;
  dc->selected = bitmap;
  bitmap->selectedInto = dc;
  return old;
}

BitmapFacts bitmapFacts(const Bitmap* bitmap) {
  if (bitmap == nullptr) return {};
  return {bitmap->view.width, bitmap->view.height, bitmap->view.bitCount};
}

int getDIBits(DeviceContext*, Bitmap* bitmap, uint32_t startLine, uint32_t lines, void* bits,
              BitmapInfoHeader* info, uint32_t) {
  if (bitmap == nullptr || info == nullptr || info->size < 40) return 0;
  if (bits == nullptr) {
    const PixelView& view = bitmap->view;
    info->width = view.width;
    info->height = view.height;
    info->planes = 1;
    info->bitCount = static_cast<uint16_t>(view.bitCount);
    info->compression = view.bitCount == 16 || (view.bitCount == 32 && bitmap->bitfields)
                            ? kBiBitfields
                            : kBiRgb;
    info->sizeImage = static_cast<uint32_t>(view.stride) * view.height;
    auto* colourPart = reinterpret_cast<uint8_t*>(info) + info->size;
    if (info->compression == kBiBitfields) {
      std::memcpy(colourPart, view.masks, sizeof(view.masks));
    } else if (view.bitCount <= 8) {
      std::memcpy(colourPart, view.colors, sizeof(RgbQuad) * view.colorCount);
    }
    return 1;
  }
  // Rows of the bitmap, counted from its bottom, into a bitmap of the caller's format.
  PixelView into;
  if (!viewOfDib(info, bits, into) || into.width != bitmap->view.width) return 0;
  Bitmap writer;
  writer.view = into;
  int copied = 0;
  for (uint32_t line = 0; line < lines; ++line) {
    int64_t fromBottom = int64_t{startLine} + line;
    if (fromBottom >= bitmap->view.height || static_cast<int64_t>(line) >= into.height) break;
    auto sourceRow = static_cast<int32_t>(bitmap->view.height - 1 - fromBottom);
    auto targetRow = static_cast<int32_t>(into.height - 1 - line);
    for (int32_t x = 0; x < into.width; ++x) {
      writer.writeRgb(x, targetRow, bitmap->view.readRgb(x, sourceRow));
    }
    ++copied;
  }
  return copied;
}

int stretchDIBits(DeviceContext* dc, int32_t xDest, int32_t yDest, int32_t destWidth,
                  int32_t destHeight, int32_t xSrc, int32_t ySrc, int32_t srcWidth,
                  int32_t srcHeight, const void* bits, const BitmapInfoHeader* info,
                  uint32_t, uint32_t rop) {
  Bitmap* bitmap = targetOf(dc);
  PixelView source;
  if (dc == nullptr || rop != kSourceCopy || !viewOfDib(info, bits, source)) return 0;
  if (bitmap != nullptr) {
    // The source rectangle's y counts rows from the bitmap's bottom edge.
    int32_t top = source.height - ySrc - srcHeight;
    stretchInto(source, {xSrc, top, srcWidth, srcHeight}, *bitmap,
                {xDest, yDest, destWidth, destHeight});
    drawn(dc);
    presentIfDrawn(dc->window);
  }
  return srcHeight < 0 ? -srcHeight : srcHeight;
}

int setStretchBltMode(DeviceContext* dc, int mode) {
  return exchangeState(dc, &DcState::stretchMode, mode);
}

bool stretchBlt(DeviceContext* dest, int32_t x, int32_t y, int32_t width, int32_t height,
                DeviceContext* source, int32_t xSrc, int32_t ySrc, int32_t srcWidth,
                int32_t srcHeight, uint32_t rop) {
  Bitmap* to = targetOf(dest);
  Bitmap* from = targetOf(source);
  if (to == nullptr || from == nullptr || rop != kSourceCopy) return false;
  if (to == from) {
    // Copy through a snapshot so that overlapping areas read the pixels as they were.
    Bitmap snapshot;
    snapshot.view = from->view;
    snapshot.storage.assign(from->storage.begin(), from->storage.end());
    snapshot.colors = from->colors;
    snapshot.view.bits = snapshot.storage.data();
    snapshot.view.colors = snapshot.colors.empty() ? nullptr : snapshot.colors.data();
    stretchInto(snapshot.view, {xSrc, ySrc, srcWidth, srcHeight}, *to, {x, y, width, height});
  } else {
    stretchInto(from->view, {xSrc, ySrc, srcWidth, srcHeight}, *to, {x, y, width, height});
  }
  drawn(dest);
  presentIfDrawn(dest->window);
  return true;
}

bool bitBlt(DeviceContext* dest, int32_t x, int32_t y, int32_t width, int32_t height,
            DeviceContext* source, int32_t xSrc, int32_t ySrc, uint32_t rop) {
  return stretchBlt(dest, x, y, width, height, source, xSrc, ySrc, width, height, rop);
}

void gdiFlush() { presentDrawnWindows(); }

// ----- lines and shapes

Pen selectPen(DeviceContext* dc, const Pen& pen) {
  return exchangeState(dc, &DcState::pen, pen);
}

Brush selectBrush(DeviceContext* dc, const Brush& brush) {
  return exchangeState(dc, &DcState::brush, brush);
}

WinPoint moveTo(DeviceContext* dc, int32_t x, int32_t y) {
  if (dc == nullptr) return {};
  WinPoint old = dc->state.position;
  dc->state.position = {x, y};
  return old;
}

WinPoint currentPosition(const DeviceContext* dc) {
  return dc != nullptr ? dc->state.position : WinPoint{};
}

bool lineTo(DeviceContext* dc, int32_t x, int32_t y) {
  if (dc == nullptr) return false;
  Bitmap* bitmap = dc->target();
  WinPoint from = dc->state.position;
  dc->state.position = {x, y};
  if (bitmap == nullptr || dc->state.pen.style == PenStyle::Null) return true;
  uint32_t rgb = rgbOf(dc->state.pen.color);
  int width = std::max(1, dc->state.pen.width);
  int64_t x0 = from.x, y0 = from.y;
  int64_t dx = std::abs(int64_t{x} - x0), dy = -std::abs(int64_t{y} - y0);
  int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
  int64_t error = dx + dy;
  // Steps are bounded by the bitmap: far ends beyond it are still walked, but only in-range
  // points are written.
  int64_t limit = (dx - dy) + 1;
  for (int64_t step = 0; step < limit; ++step) {
    if (x0 == x && y0 == y) break;  // the end point is not drawn
    plot(*bitmap, x0, y0, width, rgb);
    int64_t twice = 2 * error;
    if (twice >= dy) { error += dy; x0 += sx; }
    if (twice <= dx) { error += dx; y0 += sy; }
  }
  drawn(dc);
  return true;
}

bool rectangle(DeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Bitmap* bitmap = targetOf(dc);
  if (dc == nullptr) return false;
  if (bitmap == nullptr || right <= left || bottom <= top) return true;
  const Pen& pen = dc->state.pen;
  bool outlined = pen.style != PenStyle::Null;
  if (!dc->state.brush.hollow) {
    int inset = outlined ? 1 : 0;
    fillArea(*bitmap, int64_t{left} + inset, int64_t{top} + inset, int64_t{right} - inset,
             int64_t{bottom} - inset, rgbOf(dc->state.brush.color));
  }
  if (outlined) {
    uint32_t rgb = rgbOf(pen.color);
    fillArea(*bitmap, left, top, right, int64_t{top} + 1, rgb);
    fillArea(*bitmap, left, int64_t{bottom} - 1, right, bottom, rgb);
    fillArea(*bitmap, left, top, int64_t{left} + 1, bottom, rgb);
    fillArea(*bitmap, int64_t{right} - 1, top, right, bottom, rgb);
  }
  drawn(dc);
  return true;
}

bool fillRect(DeviceContext* dc, const WinRect& rect, ColorRef color) {
  Bitmap* bitmap = targetOf(dc);
  if (dc == nullptr) return false;
  if (bitmap != nullptr) {
    fillArea(*bitmap, rect.left, rect.top, rect.right, rect.bottom, rgbOf(color));
    drawn(dc);
  }
  return true;
}

ColorRef getPixel(DeviceContext* dc, int32_t x, int32_t y) {
  Bitmap* bitmap = targetOf(dc);
  if (bitmap == nullptr || x < 0 || y < 0 || x >= bitmap->view.width || y >= bitmap->view.height) {
    return 0xFFFFFFFFu;
  }
  uint32_t rgb = bitmap->view.readRgb(x, y);
  return rgbColor(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                  static_cast<uint8_t>(rgb));
}

// ----- palettes

std::shared_ptr<Palette> selectPalette(DeviceContext* dc, std::shared_ptr<Palette> palette,
                                       bool) {
  if (dc == nullptr) return nullptr;
  std::shared_ptr<Palette> old = dc->state.palette;
  dc->state.palette = std::move(palette);
  return old;
}

int realizePalette(DeviceContext* dc) {
  if (dc == nullptr || !dc->state.palette || screenInfo().bitsPerPixel != 8) return 0;
  return static_cast<int>(dc->state.palette->entries.size());
}

// ----- text

int32_t fontHeightOfTenths(DeviceContext* dc, int32_t tenthsOfPoint) {
  int64_t h = int64_t{tenthsOfPoint} * getDeviceCaps(dc, kCapsLogPixelsY) / 72;
  if (h < 0) h = -h;
  return -static_cast<int32_t>(static_cast<double>(h) / 10.0 + 0.5);
}

std::shared_ptr<GdiFont> createFont(const LogFont& logFont) {
  auto font = std::make_shared<GdiFont>();
  font->logFont = logFont;
  FontRequest request;
  request.pixelHeight = emPixelsOf(logFont);
  request.bold = logFont.weight >= 600;
  request.italic = logFont.italic;
  font->font = cachedFont(request);
  return font;
}

std::shared_ptr<GdiFont> stockFont(StockFont which) {
  static const std::shared_ptr<GdiFont> system = [] {
    LogFont logFont;
    logFont.height = 16;
    logFont.weight = 700;
    logFont.faceName = "System";
    return createFont(logFont);
  }();
  static const std::shared_ptr<GdiFont> fixed = [] {
    LogFont logFont;
    logFont.height = 12;
    logFont.faceName = "Fixedsys";
    return createFont(logFont);
  }();
  return which == StockFont::System ? system : fixed;
}

std::shared_ptr<GdiFont> selectFont(DeviceContext* dc, std::shared_ptr<GdiFont> font) {
  if (dc == nullptr) return nullptr;
  std::shared_ptr<GdiFont> old = fontOf(dc);
  dc->state.font = font ? std::move(font) : stockFont(StockFont::System);
  return old;
}

bool getTextMetrics(DeviceContext* dc, TextMetrics& metrics) {
  if (dc == nullptr) return false;
  std::shared_ptr<GdiFont> font = fontOf(dc);
  if (font->font->status() != FontStatus::Ready) return false;
  const FontMetrics& m = font->font->metrics();
  metrics = {m.height, m.ascent, m.descent, m.maxCharWidth};
  return true;
}

bool getTextExtent(DeviceContext* dc, const char* text, int length, int32_t& width,
                   int32_t& height) {
  width = height = 0;
  if (dc == nullptr || (text == nullptr && length > 0)) return false;
  std::shared_ptr<GdiFont> font = fontOf(dc);
  if (font->font->status() != FontStatus::Ready) return false;
  for (int i = 0; i < length; ++i) width += font->font->advance(static_cast<uint8_t>(text[i]));
  height = font->font->metrics().height;
  return true;
}

ColorRef setTextColor(DeviceContext* dc, ColorRef color) {
  return exchangeState(dc, &DcState::textColor, color);
}

ColorRef setBackgroundColor(DeviceContext* dc, ColorRef color) {
  return exchangeState(dc, &DcState::backgroundColor, color);
}

int setBackgroundMode(DeviceContext* dc, int mode) {
  return exchangeState(dc, &DcState::backgroundMode, mode);
}

uint32_t setTextAlign(DeviceContext* dc, uint32_t align) {
  return exchangeState(dc, &DcState::textAlign, align);
}

bool textOut(DeviceContext* dc, int32_t x, int32_t y, const char* text, int length) {
  if (dc == nullptr || (text == nullptr && length > 0)) return false;
  int32_t top = y;
  if ((dc->state.textAlign & kTextAlignBaseline) == kTextAlignBaseline) {
    top -= fontOf(dc)->font->metrics().ascent;
  }
  if (drawCharacters(dc, x, top, text, length, nullptr) > 0) drawn(dc);
  return true;
}

int drawText(DeviceContext* dc, const char* text, int length, const WinRect& rect,
             uint32_t format) {
  if (dc == nullptr || text == nullptr) return 0;
  if (length < 0) length = static_cast<int>(std::strlen(text));
  const WinRect* clip = (format & kDrawTextNoClip) != 0 ? nullptr : &rect;
  if (drawCharacters(dc, rect.left, rect.top, text, length, clip) > 0) drawn(dc);
  return fontOf(dc)->font->metrics().height;
}

int getDeviceCaps(DeviceContext* dc, int index) {
  if (dc == nullptr) return 0;
  ScreenInfo screen = screenInfo();
  Bitmap* bitmap = dc->target();
  switch (index) {
    case kCapsLogPixelsX:
    case kCapsLogPixelsY: return kScreenPixelsPerInch;
    case kCapsHorzRes: return screen.width;
    case kCapsVertRes: return screen.height;
    case kCapsBitsPixel:
      if (dc->kind == DeviceContext::Kind::Memory && bitmap != nullptr) {
        return bitmap->view.bitCount;
      }
      return screen.bitsPerPixel == 15 ? 16 : screen.bitsPerPixel;
    case kCapsRasterCaps: return screen.bitsPerPixel == 8 ? 0x0100 : 0;
    default: return 0;
  }
}

bool drawIcon(DeviceContext* dc, int32_t x, int32_t y, const Icon& icon) {
  Bitmap* bitmap = targetOf(dc);
  if (dc == nullptr || icon.width <= 0 || icon.height <= 0 ||
      icon.pixels.size() < static_cast<size_t>(icon.width) * icon.height) {
    return false;
  }
  if (bitmap == nullptr) return true;
  for (int32_t iy = 0; iy < icon.height; ++iy) {
    int64_t py = int64_t{y} + iy;
    if (py < 0 || py >= bitmap->view.height) continue;
    for (int32_t ix = 0; ix < icon.width; ++ix) {
      int64_t px = int64_t{x} + ix;
      if (px < 0 || px >= bitmap->view.width) continue;
      uint32_t argb = icon.pixels[static_cast<size_t>(iy) * icon.width + ix];
      uint32_t alpha = argb >> 24;
      if (alpha == 0) continue;
      auto qx = static_cast<int32_t>(px), qy = static_cast<int32_t>(py);
      uint32_t rgb = alpha == 255 ? argb & 0xFFFFFF
                                  : blend(bitmap->view.readRgb(qx, qy), argb & 0xFFFFFF, alpha);
      bitmap->writeRgb(qx, qy, rgb);
    }
  }
  drawn(dc);
  return true;
}

}  // namespace quorix::platform
