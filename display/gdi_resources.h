// Bitmaps, icons and palettes of the library's resources, as the windows and dialogs draw
// them: a bitmap resource object with its own palette, icons turned into 8-bit pixel blocks,
// and palettes and bitmap headers made from colour-table resources.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/window/window.h"

namespace quorix::display {

// A bitmap resource made ready for drawing: a desktop bitmap of its pixels and the palette it
// is shown with. A missing resource leaves it empty; drawing an empty one does nothing.
class BitmapResource {
 public:
  BitmapResource() = default;
  ~BitmapResource() { release(); }
  BitmapResource(const BitmapResource&) = delete;
  BitmapResource& operator=(const BitmapResource&) = delete;

  // Loads resource `id` of the library; false when it has none.
  bool load(int id);
  // Draws into a context: at its own size when `rect` is that size (or stretching is
  // suppressed while a dialog shows), else stretched to `rect`.
  void draw(platform::DeviceContext* dc, const platform::WinRect& rect) const;
  // Draws at its own size with its top-left at (x, y).
  void draw(platform::DeviceContext* dc, int32_t x, int32_t y) const;
  void release();

  bool empty() const { return bitmap_ == nullptr; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  const std::shared_ptr<platform::Palette>& palette() const { return palette_; }

 private:
  platform::Bitmap* bitmap_ = nullptr;
  std::shared_ptr<platform::Palette> palette_;
  std::shared_ptr<platform::Palette> previousPalette_;
  platform::DeviceContext* screen_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

// While a dialog shows, bitmap resources draw at their own size.
void setBitmapStretchSuppressed(bool suppressed);
bool bitmapStretchSuppressed();

// An icon as a 32 x 32 block of 8-bit pixels in the default colour table, top row first:
// the icon drawn over index 0. A null icon leaves the block all 0.
void iconToPixels(uint8_t out[1024], const platform::Icon* icon);
// The library's icon resource `id` (a missing one gives a block of 0).
void iconToPixels(uint8_t out[1024], int iconId);

// A palette of a colour-table resource's colours (8 means the default table, 151); null when
// the library has no such table.
std::shared_ptr<platform::Palette> paletteFromColorTable(int id);
// An 8-bit top-down bitmap header of a size with a colour-table resource's colours; false when
// the library has no such table.
bool dibHeaderFromColorTable(int id, int32_t width, int32_t height, platform::BitmapInfo& out);

}  // namespace quorix::display
