#include "common/png_writer.h"

#include <algorithm>
#include <fstream>

namespace quorix {
namespace {

constexpr size_t kStoredBlockLimit = 65535;  // bytes one stored deflate block holds

uint32_t crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// Appends a chunk: length, type, data, and the CRC of type and data.
void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  put32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  put32(out, crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored blocks holding `raw`, with its Adler-32 check.
std::vector<uint8_t> storedZlib(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> zlib = {0x78, 0x01};
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  size_t at = 0;
  do {
    const size_t length = std::min(kStoredBlockLimit, raw.size() - at);
    zlib.push_back(at + length >= raw.size() ? 1 : 0);  // the last block has bit 0 set
    zlib.push_back(static_cast<uint8_t>(length));
    zlib.push_back(static_cast<uint8_t>(length >> 8));
    zlib.push_back(static_cast<uint8_t>(~length));
    zlib.push_back(static_cast<uint8_t>(~length >> 8));
    zlib.insert(zlib.end(), raw.begin() + static_cast<ptrdiff_t>(at), raw.begin() + static_cast<ptrdiff_t>(at + length));
    at += length;
  } while (at < raw.size());
  put32(zlib, (b << 16) | a);
  return zlib;
}

}  // namespace

std::vector<uint8_t> encodePng(int width, int height, const std::vector<uint8_t>& rgb) {
  // Each row starts with filter type 0 (none).
  std::vector<uint8_t> raw;
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  raw.reserve((rowBytes + 1) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    const auto row = rgb.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(y) * rowBytes);
    raw.insert(raw.end(), row, row + static_cast<ptrdiff_t>(rowBytes));
  }
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  put32(header, static_cast<uint32_t>(width));
  put32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  putChunk(out, "IHDR", header);
  putChunk(out, "IDAT", storedZlib(raw));
  putChunk(out, "IEND", {});
  return out;
}

bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
  const std::vector<uint8_t> bytes = encodePng(width, height, rgb);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace quorix
