// Icon resources of the engine library: 32 x 32 pictures of 8-bit pixels that index the
// default colour table (resource 151), top row first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorix::ui {

inline constexpr int kIconSide = 32;
inline constexpr size_t kIconBytes = kIconSide * kIconSide;

// Icon 1000 + n stands for internal effect n (0 to 8): the effect's number on a coloured tile.
inline constexpr int kInternalEffectIconFirst = 1000;
inline constexpr int kInternalEffectIconCount = 9;
// The icon shown for a plug-in that brings none of its own: a plug on a grey tile.
inline constexpr int kDefaultPluginIconId = 2000;

// The kIconBytes pixels of icon resource `id`, or null when the library has no such icon.
const uint8_t* iconResource(int id);

}  // namespace quorix::ui
