// Helpers for Rect16, the shared rectangle (top, left, bottom, right; bottom and right
// exclusive).
#pragma once

#include <cstdint>

#include "plugin_sdk/quorix_types.h"

namespace quorix {

inline int rectWidth(const Rect16& r) { return r.right - r.left; }
inline int rectHeight(const Rect16& r) { return r.bottom - r.top; }
inline bool rectIsEmpty(const Rect16& r) { return r.right <= r.left || r.bottom <= r.top; }

constexpr Rect16 makeRect(int top, int left, int bottom, int right) {
  return Rect16{static_cast<int16_t>(top), static_cast<int16_t>(left),
                static_cast<int16_t>(bottom), static_cast<int16_t>(right)};
}

// A host rectangle (left, top, right, bottom, 32-bit) taken edge by edge to its low 16 bits.
inline Rect16 rectFromHost(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return Rect16{static_cast<int16_t>(top), static_cast<int16_t>(left),
                static_cast<int16_t>(bottom), static_cast<int16_t>(right)};
}

inline bool operator==(const Rect16& a, const Rect16& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

}  // namespace quorix
