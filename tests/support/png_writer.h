// A small PNG writer for looking at what drawing code produces: 8-bit RGB, one IDAT chunk of
// stored (uncompressed) deflate blocks, so no compression library is needed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace quorix::testing {

inline uint32_t pngCrc(const uint8_t* data, size_t size, uint32_t crc = 0xFFFFFFFFu) {
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc;
}

// The bytes of a PNG image of `width` x `height` pixels from rows of RGB triples.
inline std::vector<uint8_t> encodePng(int width, int height, const std::vector<uint8_t>& rgb) {
  auto put32 = [](std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
  };
  auto chunk = [&](std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put32(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, ~pngCrc(out.data() + start, out.size() - start));
  };
  // Filter byte 0 before each row.
  std::vector<uint8_t> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), rgb.begin() + static_cast<ptrdiff_t>(y) * width * 3,
               rgb.begin() + static_cast<ptrdiff_t>(y + 1) * width * 3);
  }
  std::vector<uint8_t> zlib = {0x78, 0x01};
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    size_t length = std::min<size_t>(65535, raw.size() - at);
    zlib.push_back(at + length >= raw.size() ? 1 : 0);
    zlib.push_back(static_cast<uint8_t>(length));
    zlib.push_back(static_cast<uint8_t>(length >> 8));
    zlib.push_back(static_cast<uint8_t>(~length));
    zlib.push_back(static_cast<uint8_t>(~length >> 8));
    zlib.insert(zlib.end(), raw.begin() + static_cast<ptrdiff_t>(at),
                raw.begin() + static_cast<ptrdiff_t>(at + length));
    if (raw.empty()) break;
  }
  put32(zlib, (b << 16) | a);

  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  put32(header, static_cast<uint32_t>(width));
  put32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  chunk(out, "IHDR", header);
  chunk(out, "IDAT", zlib);
  chunk(out, "IEND", {});
  return out;
}

inline bool writePng(const std::string& path, int width, int height,
                     const std::vector<uint8_t>& rgb) {
  std::vector<uint8_t> bytes = encodePng(width, height, rgb);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The same from pixels 0x00RRGGBB, top row first.
inline bool writePng(const std::string& path, const std::vector<uint32_t>& pixels, int width,
                     int height) {
  std::vector<uint8_t> rgb;
  rgb.reserve(pixels.size() * 3);
  for (uint32_t p : pixels) {
    rgb.push_back(static_cast<uint8_t>(p >> 16));
    rgb.push_back(static_cast<uint8_t>(p >> 8));
    rgb.push_back(static_cast<uint8_t>(p));
  }
  return writePng(path, width, height, rgb);
}

// Where tests put the pictures they write: $QUORIX_TEST_PICTURES, else the working folder.
inline std::string picturePath(const std::string& name) {
  const char* folder = std::getenv("QUORIX_TEST_PICTURES");
  return std::string(folder != nullptr && *folder != 0 ? folder : ".") + "/" + name;
}

}  // namespace quorix::testing
