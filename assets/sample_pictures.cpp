// Writes the pictures and the blob of the sample visual (assets/sample/sample.json) into a
// folder: a sunrise (24 bits), rings (8 bits with a palette) and stripes (24 bits, rows stored
// top first), and a small data block.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "assets/bitmap_writer.h"

namespace {

using quorix::assets::Bitmap;

void put24(Bitmap& b, int x, int y, int red, int green, int blue) {
  size_t at = (static_cast<size_t>(y) * b.width + x) * 3;
  b.pixels[at] = static_cast<uint8_t>(blue);
  b.pixels[at + 1] = static_cast<uint8_t>(green);
  b.pixels[at + 2] = static_cast<uint8_t>(red);
}

Bitmap sunrise() {
  Bitmap b{320, 240, 24, std::vector<uint8_t>(320 * 240 * 3), {}, false};
  for (int y = 0; y < b.height; ++y) {
    for (int x = 0; x < b.width; ++x) {
      double sky = y / 240.0;
      int red = static_cast<int>(40 + 215 * sky);
      int green = static_cast<int>(30 + 120 * sky);
      int blue = static_cast<int>(120 - 80 * sky);
      double dx = x - 160.0;
      double dy = y - 190.0;
      if (dx * dx + dy * dy < 55.0 * 55.0) {
        red = 255;
        green = 220;
        blue = 90;
      }
      if (y > 200) {  // the sea
        red /= 3;
        green = green / 2 + 20;
        blue = 140 + (x * 7 + y * 3) % 40;
      }
      put24(b, x, y, red, green, blue);
    }
  }
  return b;
}

Bitmap rings() {
  Bitmap b{160, 160, 8, std::vector<uint8_t>(160 * 160), {}, false};
  for (int i = 0; i < 256; ++i) {
    int r = static_cast<int>(127.5 + 127.5 * std::sin(i * 0.05));
    int g = static_cast<int>(127.5 + 127.5 * std::sin(i * 0.05 + 2.1));
    int bl = static_cast<int>(127.5 + 127.5 * std::sin(i * 0.05 + 4.2));
    b.palette.push_back((static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | bl);
  }
  for (int y = 0; y < b.height; ++y) {
    for (int x = 0; x < b.width; ++x) {
      double distance = std::hypot(x - 80.0, y - 80.0);
      b.pixels[static_cast<size_t>(y) * b.width + x] = static_cast<uint8_t>(static_cast<int>(distance * 4) % 256);
    }
  }
  return b;
}

Bitmap stripes() {
  Bitmap b{64, 48, 24, std::vector<uint8_t>(64 * 48 * 3), {}, true};
  const int colours[4][3] = {{230, 57, 70}, {241, 250, 238}, {69, 123, 157}, {29, 53, 87}};
  for (int y = 0; y < b.height; ++y) {
    for (int x = 0; x < b.width; ++x) {
      const int* c = colours[((x + y) / 8) % 4];
      put24(b, x, y, c[0], c[1], c[2]);
    }
  }
  return b;
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  std::string folder = argv[1];
  std::string notes;
  for (int i = 0; i < 64; ++i) notes += static_cast<char>(i * 37 % 251);
  bool ok = writeFile(folder + "/sunrise.bmp", quorix::assets::bitmapFile(sunrise())) &&
            writeFile(folder + "/rings.bmp", quorix::assets::bitmapFile(rings())) &&
            writeFile(folder + "/stripes.bmp", quorix::assets::bitmapFile(stripes())) &&
            writeFile(folder + "/notes.bin", notes);
  if (!ok) std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], folder.c_str());
  return ok ? 0 : 1;
}
