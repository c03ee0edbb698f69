#include "ui/icon_resource.h"

#include <array>
#include <cstring>

namespace quorix::ui {
namespace {

using Icon = std::array<uint8_t, kIconBytes>;

// Indexes into the default colour table: its 6 x 6 x 6 cube runs from white down with red
// varying slowest (level 0 is 0xFF, level 5 is 0x00), then come the red, green, blue and grey
// ramps of ten shades each, then black.
constexpr uint8_t cube(int red, int green, int blue) {
  return static_cast<uint8_t>(red * 36 + green * 6 + blue);
}
constexpr uint8_t kWhite = 0;
constexpr uint8_t kBlack = 255;
constexpr uint8_t kLightGrey = 247;  // 0xBB grey
constexpr uint8_t kDarkGrey = 251;   // 0x55 grey

// Digits 0 to 9 in a 3 x 5 font, one row a byte, bit 2 the leftmost column.
constexpr uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 2, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

void fill(Icon& icon, int top, int left, int bottom, int right, uint8_t colour) {
  for (int y = top; y < bottom; ++y) {
    std::memset(icon.data() + y * kIconSide + left, colour, static_cast<size_t>(right - left));
  }
}

// A tile: a black frame one pixel wide around `background`.
Icon tile(uint8_t background) {
  Icon icon;
  icon.fill(kBlack);
  fill(icon, 1, 1, kIconSide - 1, kIconSide - 1, background);
  return icon;
}

// Digit `digit` scaled four times (12 x 20 pixels), centred, with a one-pixel black shadow.
void drawDigit(Icon& icon, int digit) {
  constexpr int kScale = 4;
  constexpr int kTop = (kIconSide - 5 * kScale) / 2;
  constexpr int kLeft = (kIconSide - 3 * kScale) / 2;
  for (int pass = 0; pass < 2; ++pass) {
    int offset = pass == 0 ? 1 : 0;
    uint8_t colour = pass == 0 ? kBlack : kWhite;
    for (int row = 0; row < 5; ++row) {
      for (int column = 0; column < 3; ++column) {
        if ((kDigits[digit][row] >> (2 - column) & 1) == 0) continue;
        int top = kTop + row * kScale + offset;
        int left = kLeft + column * kScale + offset;
        fill(icon, top, left, top + kScale, left + kScale, colour);
      }
    }
  }
}

Icon internalEffectIcon(int effect) {
  static constexpr uint8_t kBackgrounds[kInternalEffectIconCount] = {
      kDarkGrey,        cube(0, 1, 5), cube(1, 4, 0), cube(5, 2, 0), cube(0, 4, 4),
      cube(2, 0, 5),    cube(5, 3, 1), cube(4, 1, 0), cube(3, 0, 3)};
  Icon icon = tile(kBackgrounds[effect]);
  drawDigit(icon, effect);
  return icon;
}

// A mains plug seen from the side: two prongs, a body and a cable leaving downwards.
Icon defaultPluginIcon() {
  Icon icon = tile(kLightGrey);
  fill(icon, 5, 11, 11, 13, kDarkGrey);   // left prong
  fill(icon, 5, 19, 11, 21, kDarkGrey);   // right prong
  fill(icon, 11, 8, 21, 24, kBlack);      // body
  fill(icon, 12, 9, 20, 23, cube(0, 1, 5));
  fill(icon, 21, 12, 24, 20, kBlack);     // collar
  fill(icon, 24, 15, 31, 17, kBlack);     // cable
  return icon;
}

struct IconSet {
  Icon internal[kInternalEffectIconCount];
  Icon plugin;
  IconSet() {
    for (int i = 0; i < kInternalEffectIconCount; ++i) internal[i] = internalEffectIcon(i);
    plugin = defaultPluginIcon();
  }
};

}  // namespace

const uint8_t* iconResource(int id) {
  static const IconSet kIcons;
  if (id >= kInternalEffectIconFirst && id < kInternalEffectIconFirst + kInternalEffectIconCount) {
    return kIcons.internal[id - kInternalEffectIconFirst].data();
  }
  return id == kDefaultPluginIconId ? kIcons.plugin.data() : nullptr;
}

}  // namespace quorix::ui
