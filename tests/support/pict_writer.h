// Writing QuickDraw pictures for tests: version 1 and 2 opcode streams with bitmap opcodes of
// every pixel form (1-bit BitMaps, indexed PixMaps, 16-bit and 32-bit direct pixels with each
// packing), regions, and any other opcode given as bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin_sdk/quorix_types.h"

namespace quorix::testing {

inline std::string pictBe16(uint16_t v) {
  return std::string{static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)};
}
inline std::string pictBe32(uint32_t v) { return pictBe16(static_cast<uint16_t>(v >> 16)) + pictBe16(static_cast<uint16_t>(v)); }
inline std::string pictRect(const Rect16& r) {
  return pictBe16(static_cast<uint16_t>(r.top)) + pictBe16(static_cast<uint16_t>(r.left)) +
         pictBe16(static_cast<uint16_t>(r.bottom)) + pictBe16(static_cast<uint16_t>(r.right));
}

// PackBits over units of `unit` bytes (1, or 2 for 16-bit pixels): runs of three or more equal
// units become repeats, the rest literals.
inline std::string packBits(const std::string& row, size_t unit = 1) {
  std::string out;
  size_t count = row.size() / unit;
  auto same = [&](size_t a, size_t b) { return row.compare(a * unit, unit, row, b * unit, unit) == 0; };
  size_t i = 0;
  while (i < count) {
    size_t run = 1;
    while (i + run < count && run < 128 && same(i, i + run)) ++run;
    if (run >= 3) {
      out += static_cast<char>(257 - run);
      out += row.substr(i * unit, unit);
      i += run;
      continue;
    }
    size_t start = i;
    while (i < count && i - start < 128) {
      size_t ahead = 1;
      while (i + ahead < count && ahead < 3 && same(i, i + ahead)) ++ahead;
      if (ahead >= 3) break;
      ++i;
    }
    out += static_cast<char>(i - start - 1);
    out += row.substr(start * unit, (i - start) * unit);
  }
  return out;
}

// A region: its box alone, or scan lines {v, inversion points...}.
inline std::string pictRegion(const Rect16& box, const std::vector<std::vector<int16_t>>& lines = {}) {
  std::string body;
  for (const auto& line : lines) {
    for (int16_t value : line) body += pictBe16(static_cast<uint16_t>(value));
    body += pictBe16(0x7FFF);
  }
  if (!lines.empty()) body += pictBe16(0x7FFF);
  return pictBe16(static_cast<uint16_t>(10 + body.size())) + pictRect(box) + body;
}

// An image of 0x00RRGGBB colours, rows top first.
struct PictImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

class PictWriter {
 public:
  // A picture of `version` (1 or 2) with frame `frame`; version 2 starts with a standard header.
  PictWriter(int version, const Rect16& frame) : version_(version) {
    bytes_ = pictBe16(0) + pictRect(frame);
    if (version == 1) {
      bytes_ += "\x11\x01";
    } else {
      bytes_ += pictBe16(0x0011) + pictBe16(0x02FF) + pictBe16(0x0C00) + pictBe16(0xFFFE) +
                pictBe16(0) + pictBe32(0x00480000) + pictBe32(0x00480000) + pictRect(frame) +
                pictBe32(0);
    }
  }

  // An opcode and its data as given.
  PictWriter& op(uint16_t opcode, const std::string& data = "") {
    align();
    bytes_ += version_ == 1 ? std::string(1, static_cast<char>(opcode)) : pictBe16(opcode);
    bytes_ += data;
    return *this;
  }
  PictWriter& clip(const std::string& region) { return op(0x0001, region); }

  // PackBitsRect (0x98; 0x99 with a mask region) of an indexed PixMap: `indexes` are pixel
  // values, `palette` the colour of each value. Rows narrower than 8 bytes are stored plain.
  PictWriter& indexed(int pixelSize, int width, int height, const std::vector<uint8_t>& indexes,
                      const std::vector<uint32_t>& palette, const Rect16& source,
                      const Rect16& destination, uint16_t mode = 0, const std::string* mask = nullptr,
                      bool packedOpcode = true) {
    int rowBytes = ((width * pixelSize + 15) / 16) * 2;
    std::string data = pictBe16(static_cast<uint16_t>(0x8000 | rowBytes)) + bounds(width, height) +
                       pixMapFields(0, 0, pixelSize, 1, pixelSize);
    data += pictBe32(0) + pictBe16(0) + pictBe16(static_cast<uint16_t>(palette.size() - 1));
    for (size_t i = 0; i < palette.size(); ++i) data += pictBe16(static_cast<uint16_t>(i)) + rgb48(palette[i]);
    data += pictRect(source) + pictRect(destination) + pictBe16(mode) + (mask != nullptr ? *mask : "");
    for (int y = 0; y < height; ++y) {
      std::string row(static_cast<size_t>(rowBytes), '\0');
      for (int x = 0; x < width; ++x) {
        int bit = x * pixelSize;
        row[static_cast<size_t>(bit / 8)] = static_cast<char>(
            static_cast<uint8_t>(row[static_cast<size_t>(bit / 8)]) |
            (indexes[static_cast<size_t>(y * width + x)] << (8 - pixelSize - bit % 8)));
      }
      data += packedOpcode ? packedRow(row, rowBytes, 1) : row;
    }
    uint16_t opcode = packedOpcode ? 0x98 : 0x90;
    return op(static_cast<uint16_t>(opcode + (mask != nullptr ? 1 : 0)), data);
  }

  // BitsRect of a 1-bit BitMap (the version 1 form): set bits are true in `bits`.
  PictWriter& bitmap(int width, int height, const std::vector<bool>& bits, const Rect16& source,
                     const Rect16& destination, uint16_t mode = 0) {
    int rowBytes = ((width + 15) / 16) * 2;
    std::string data = pictBe16(static_cast<uint16_t>(rowBytes)) + bounds(width, height) +
                       pictRect(source) + pictRect(destination) + pictBe16(mode);
    for (int y = 0; y < height; ++y) {
      std::string row(static_cast<size_t>(rowBytes), '\0');
      for (int x = 0; x < width; ++x) {
        if (bits[static_cast<size_t>(y * width + x)]) row[static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
      }
      data += row;
    }
    return op(0x90, data);
  }

  // DirectBitsRect (0x9A; 0x9B with a mask region) of 16-bit (x-5-5-5) or 32-bit pixels with
  // pack type 1, 2, 3 or 4 (`components` 3 or 4 for type 4).
  PictWriter& direct(int pixelSize, int packType, const PictImage& image, const Rect16& source,
                     const Rect16& destination, int components = 3, uint16_t mode = 0,
                     const std::string* mask = nullptr) {
    int rowBytes = image.width * pixelSize / 8;
    std::string data = pictBe32(0xFF) + pictBe16(static_cast<uint16_t>(0x8000 | rowBytes)) +
                       bounds(image.width, image.height) +
                       pixMapFields(packType, 16, pixelSize, pixelSize == 16 ? 3 : components,
                                    pixelSize == 16 ? 5 : 8) +
                       pictRect(source) + pictRect(destination) + pictBe16(mode) +
                       (mask != nullptr ? *mask : "");
    // Rows narrower than 8 bytes are stored plain, whatever the pack type.
    const bool planes = pixelSize == 32 && packType == 4 && rowBytes >= 8;
    for (int y = 0; y < image.height; ++y) {
      std::string row;
      for (int x = 0; x < image.width && !planes; ++x) {
        uint32_t c = image.at(x, y);
        uint8_t r = static_cast<uint8_t>(c >> 16), g = static_cast<uint8_t>(c >> 8), b = static_cast<uint8_t>(c);
        if (pixelSize == 16) {
          row += pictBe16(static_cast<uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)));
        } else if (packType == 2 && rowBytes >= 8) {
          row += std::string{static_cast<char>(r), static_cast<char>(g), static_cast<char>(b)};
        } else {
          row += std::string{'\0', static_cast<char>(r), static_cast<char>(g), static_cast<char>(b)};
        }
      }
      if (planes) {
        for (int plane = 4 - components; plane < 4; ++plane) {
          for (int x = 0; x < image.width; ++x) {
            uint32_t c = image.at(x, y);
            row += plane == 0 ? '\xFF' : static_cast<char>(c >> (8 * (3 - plane)));
          }
        }
      }
      bool packed = rowBytes >= 8 && (packType == 3 || packType == 4);
      data += packed ? packedRow(row, rowBytes, packType == 3 ? 2 : 1) : row;
    }
    return op(static_cast<uint16_t>(0x9A + (mask != nullptr ? 1 : 0)), data);
  }

  // The picture with its end opcode (and, for a ".pct" file, the 512-byte header before it).
  std::string finish() {
    op(0x00FF);
    std::string out = bytes_;
    uint16_t size = static_cast<uint16_t>(out.size() & 0xFFFF);
    out[0] = static_cast<char>(size >> 8);
    out[1] = static_cast<char>(size);
    return out;
  }
  std::string pctFile() { return std::string(512, '\0') + finish(); }

 private:
  void align() {
    if (version_ == 2 && (bytes_.size() & 1) != 0) bytes_ += '\0';
  }
  static std::string bounds(int width, int height) {
    return pictRect(Rect16{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)});
  }
  // PixMap fields after the bounds: version, pack type, pack size, resolutions, pixel type,
  // pixel size, components, component size, plane bytes, table, reserved.
  static std::string pixMapFields(int packType, int pixelType, int pixelSize, int components, int componentSize) {
    return pictBe16(0) + pictBe16(static_cast<uint16_t>(packType)) + pictBe32(0) + pictBe32(0x00480000) +
           pictBe32(0x00480000) + pictBe16(static_cast<uint16_t>(pixelType)) +
           pictBe16(static_cast<uint16_t>(pixelSize)) + pictBe16(static_cast<uint16_t>(components)) +
           pictBe16(static_cast<uint16_t>(componentSize)) + pictBe32(0) + pictBe32(0) + pictBe32(0);
  }
  static std::string rgb48(uint32_t c) {
    return pictBe16(static_cast<uint16_t>(((c >> 16) & 0xFF) * 257)) +
           pictBe16(static_cast<uint16_t>(((c >> 8) & 0xFF) * 257)) +
           pictBe16(static_cast<uint16_t>((c & 0xFF) * 257));
  }
  static std::string packedRow(const std::string& row, int rowBytes, size_t unit) {
    if (rowBytes < 8) return row;
    std::string packed = packBits(row, unit);
    return (rowBytes > 250 ? pictBe16(static_cast<uint16_t>(packed.size()))
                           : std::string(1, static_cast<char>(packed.size()))) + packed;
  }

  int version_;
  std::string bytes_;
};

}  // namespace quorix::testing
