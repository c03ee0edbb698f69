// QuickDraw regions as pictures store them: a size word, a bounding box and, unless the region
// is its box, scan lines of inversion points.
//
// Each scan line is a v coordinate followed by h coordinates and the end mark 0x7FFF; the list
// ends with a v of 0x7FFF. From row v on, the set of inversion points of the lines so far
// (each point toggled by every line naming it) tells which columns are inside: x is inside
// when an odd number of points lie at or left of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugin_sdk/quorix_types.h"

namespace quorix::platform::quickdraw {

class Region {
 public:
  // The whole plane.
  Region() = default;
  // A region of the picture: `bytes` start at its size word and hold `size` bytes. False for
  // a damaged region (a size below 10, lines out of order or without their end marks).
  bool parse(const uint8_t* bytes, size_t size);

  bool everywhere() const { return everywhere_; }
  const Rect16& bounds() const { return bounds_; }

  // Rows are asked for top to bottom: moves to row `y` (no row above the last one asked) and
  // answers for the columns of that row.
  void moveToRow(int32_t y);
  bool contains(int32_t x) const;

 private:
  struct Line {
    int32_t v;
    size_t first;  // index of its first point in points_
    size_t count;
  };
  void restart();
  void apply(const Line& line);

  bool everywhere_ = true;
  bool rectangular_ = false;
  Rect16 bounds_{};
  std::vector<Line> lines_;
  std::vector<int16_t> points_;
  // The walk: lines applied so far, the points in force, the row asked last.
  size_t nextLine_ = 0;
  std::vector<int16_t> active_;
  std::vector<int16_t> scratch_;
  int32_t row_ = INT32_MIN;
  bool rowInside_ = false;
};

}  // namespace quorix::platform::quickdraw
