// Image resources of the engine library, drawn by code: the splash bitmap of the progress
// window and the icons of the internal effects and of plug-ins without an icon of their own.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window/window.h"

namespace quorix::ui {

inline constexpr int kSplashBitmapId = 300;
inline constexpr int kSplashWidth = 420;
inline constexpr int kSplashHeight = 160;
inline constexpr int kFirstEffectIconId = 1000;  // 1000 .. 1008: the nine internal effects
inline constexpr int kEffectIconCount = 9;
inline constexpr int kDefaultIconId = 2000;      // plug-ins without an icon

// A bitmap resource as it is stored: a bitmap header (40 bytes, little-endian), its colour
// table and its rows, bottom row first. Null for an id the library does not have.
const std::vector<uint8_t>* bitmapResource(int id);

// An icon resource, 32 x 32; null for an id the library does not have.
const platform::Icon* iconResource(int id);

}  // namespace quorix::ui
