#include "ui/image_resources.h"

#include <cmath>
#include <map>

#include "common/byte_order.h"

namespace quorix::ui {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A colour of a hue (0..1) at full saturation, scaled by `value` (0..1).
void hueColour(double hue, double value, uint8_t& r, uint8_t& g, uint8_t& b) {
  double h = (hue - std::floor(hue)) * 6.0;
  double f = h - std::floor(h);
  double q = 1.0 - f;
  double rgb[3];
  switch (static_cast<int>(h)) {
    case 0: rgb[0] = 1, rgb[1] = f, rgb[2] = 0; break;
    case 1: rgb[0] = q, rgb[1] = 1, rgb[2] = 0; break;
    case 2: rgb[0] = 0, rgb[1] = 1, rgb[2] = f; break;
    case 3: rgb[0] = 0, rgb[1] = q, rgb[2] = 1; break;
    case 4: rgb[0] = f, rgb[1] = 0, rgb[2] = 1; break;
    default: rgb[0] = 1, rgb[1] = 0, rgb[2] = q; break;
  }
  r = static_cast<uint8_t>(rgb[0] * value * 255.0 + 0.5);
  g = static_cast<uint8_t>(rgb[1] * value * 255.0 + 0.5);
  b = static_cast<uint8_t>(rgb[2] * value * 255.0 + 0.5);
}

// The splash: rings of sound spreading from a point left of centre, coloured by their
// direction, in a palette of its own (index 0 black, 1..255 a hue circle).
std::vector<uint8_t> buildSplash() {
  const int w = kSplashWidth, h = kSplashHeight, stride = (w + 3) / 4 * 4;
  std::vector<uint8_t> bytes(40 + 256 * 4 + static_cast<size_t>(stride) * h, 0);
  storeLE32(bytes.data(), 40);
  storeLE32(bytes.data() + 4, w);
  storeLE32(bytes.data() + 8, h);
  storeLE16(bytes.data() + 12, 1);
  storeLE16(bytes.data() + 14, 8);
  storeLE32(bytes.data() + 32, 256);
  for (int i = 1; i < 256; ++i) {
    uint8_t r, g, b;
    hueColour((i - 1) / 254.0, 1.0, r, g, b);
    uint8_t* quad = bytes.data() + 40 + i * 4;
    quad[0] = b, quad[1] = g, quad[2] = r;
  }
  uint8_t* pixels = bytes.data() + 40 + 256 * 4;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double dx = x - w * 0.3, dy = y - h * 0.5;
      double radius = std::sqrt(dx * dx + dy * dy);
      double angle = std::atan2(dy, dx) / (2 * kPi) + 0.5;
      double ring = 0.5 + 0.5 * std::cos(radius * 0.35 - 4.0 * std::sin(angle * 2 * kPi * 3));
      // Rings thin out with distance; rows are stored bottom row first.
      bool lit = ring > 0.35 + radius / 500.0;
      pixels[static_cast<size_t>(h - 1 - y) * stride + x] =
          lit ? static_cast<uint8_t>(1 + static_cast<int>(angle * 253.0)) : 0;
    }
  }
  return bytes;
}

// An icon: a round badge in a hue of its own with a white mark in it, anti-aliased edges.
platform::Icon buildIcon(int index, int marks) {
  platform::Icon icon;
  icon.width = icon.height = 32;
  icon.pixels.assign(32 * 32, 0);
  uint8_t r, g, b;
  hueColour(index / 10.0, 0.9, r, g, b);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      double dx = x + 0.5 - 16, dy = y + 0.5 - 16;
      double radius = std::sqrt(dx * dx + dy * dy);
      double alpha = std::clamp(15.0 - radius, 0.0, 1.0);
      if (alpha <= 0) continue;
      double angle = std::atan2(dy, dx);
      // The mark: `marks` spokes for the effects, a ring for the default icon.
      bool mark = marks > 0 ? radius < 11 && std::fabs(std::sin(angle * marks / 2.0)) < 0.18
                            : radius > 6 && radius < 9;
      uint32_t colour = mark ? 0xFFFFFF : (static_cast<uint32_t>(r) << 16) | (g << 8) | b;
      icon.pixels[y * 32 + x] = (static_cast<uint32_t>(alpha * 255.0 + 0.5) << 24) | colour;
    }
  }
  return icon;
}

}  // namespace

const std::vector<uint8_t>* bitmapResource(int id) {
  static const std::vector<uint8_t> splash = buildSplash();
  return id == kSplashBitmapId ? &splash : nullptr;
}

const platform::Icon* iconResource(int id) {
  static const std::map<int, platform::Icon> icons = [] {
    std::map<int, platform::Icon> made;
    for (int i = 0; i < kEffectIconCount; ++i) made[kFirstEffectIconId + i] = buildIcon(i, i + 2);
    made[kDefaultIconId] = buildIcon(9, 0);
    return made;
  }();
  auto found = icons.find(id);
  return found == icons.end() ? nullptr : &found->second;
}

}  // namespace quorix::ui
