#include "platform/media/quickdraw/region.h"

#include <algorithm>

#include "platform/media/quickdraw/picture_reader.h"

namespace quorix::platform::quickdraw {
namespace {

constexpr int16_t kEndMark = 0x7FFF;
constexpr size_t kRegionHeaderSize = 10;  // size word and bounding box

}  // namespace

bool Region::parse(const uint8_t* bytes, size_t size) {
  *this = Region();
  PictureReader in(bytes, size);
  uint16_t declared = in.u16();
  bounds_ = in.rect();
  if (in.failed() || declared < kRegionHeaderSize || declared > size) return false;
  everywhere_ = false;
  if (declared == kRegionHeaderSize) {
    rectangular_ = true;
    return true;
  }
  PictureReader lines(bytes + kRegionHeaderSize, declared - kRegionHeaderSize);
  int32_t previous = INT32_MIN;
  while (true) {
    int16_t v = lines.s16();
    if (lines.failed()) return false;
    if (v == kEndMark) break;
    if (v <= previous) return false;
    previous = v;
    Line line{v, points_.size(), 0};
    while (true) {
      int16_t h = lines.s16();
      if (lines.failed()) return false;
      if (h == kEndMark) break;
      points_.push_back(h);
      ++line.count;
    }
    // Points of a line go left to right; a line that does not is taken in order anyway.
    std::sort(points_.begin() + static_cast<ptrdiff_t>(line.first), points_.end());
    lines_.push_back(line);
  }
  return true;
}

void Region::restart() {
  nextLine_ = 0;
  active_.clear();
  row_ = INT32_MIN;
}

void Region::apply(const Line& line) {
  // The new set holds the points named an odd number of times by the old set and the line.
  scratch_.clear();
  auto a = active_.begin();
  auto b = points_.begin() + static_cast<ptrdiff_t>(line.first);
  auto bEnd = b + static_cast<ptrdiff_t>(line.count);
  while (a != active_.end() || b != bEnd) {
    int16_t value = (b == bEnd || (a != active_.end() && *a < *b)) ? *a : *b;
    int times = 0;
    while (a != active_.end() && *a == value) ++a, ++times;
    while (b != bEnd && *b == value) ++b, ++times;
    if ((times & 1) != 0) scratch_.push_back(value);
  }
  active_.swap(scratch_);
}

void Region::moveToRow(int32_t y) {
  if (everywhere_) return;
  if (y < row_) restart();
  row_ = y;
  rowInside_ = y >= bounds_.top && y < bounds_.bottom;
  if (rectangular_) return;
  while (nextLine_ < lines_.size() && lines_[nextLine_].v <= y) apply(lines_[nextLine_++]);
}

bool Region::contains(int32_t x) const {
  if (everywhere_) return true;
  if (!rowInside_ || x < bounds_.left || x >= bounds_.right) return false;
  if (rectangular_) return true;
  auto atOrLeft = std::upper_bound(active_.begin(), active_.end(), x);
  return ((atOrLeft - active_.begin()) & 1) != 0;
}

}  // namespace quorix::platform::quickdraw
