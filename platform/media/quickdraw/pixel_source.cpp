#include "platform/media/quickdraw/pixel_source.h"

#include <algorithm>
#include <cstring>

#include "platform/media/quickdraw/pack_bits.h"

namespace quorix::platform::quickdraw {
namespace {

constexpr uint16_t kPixMapFlag = 0x8000;
constexpr uint16_t kRowBytesMask = 0x3FFF;
constexpr uint16_t kDeviceTableFlag = 0x8000;  // colour table entries are in index order
constexpr int32_t kPackedRowMinimum = 8;       // narrower rows are never packed
constexpr int32_t kWideCountRowBytes = 250;    // wider rows carry a 16-bit byte count

uint32_t color48(uint16_t red, uint16_t green, uint16_t blue) {
  return (uint32_t{static_cast<uint8_t>(red >> 8)} << 16) |
         (uint32_t{static_cast<uint8_t>(green >> 8)} << 8) | static_cast<uint8_t>(blue >> 8);
}

// A 5-bit component widened to 8 bits by repeating its top bits.
uint32_t widen5(uint32_t v) { return (v << 3) | (v >> 2); }

bool readColorTable(PictureReader& in, PixelSource& source) {
  in.skip(4);  // seed
  uint16_t flags = in.u16();
  int32_t last = in.s16();
  if (in.failed() || last < -1) return false;
  size_t entries = static_cast<size_t>(last + 1);
  if (!in.need(entries * 8)) return false;
  source.colors.assign(size_t{1} << source.pixelSize, 0);
  for (size_t i = 0; i < entries; ++i) {
    uint16_t value = in.u16();
    uint16_t red = in.u16(), green = in.u16(), blue = in.u16();
    size_t index = (flags & kDeviceTableFlag) != 0 ? i : value;
    if (index < source.colors.size()) source.colors[index] = color48(red, green, blue);
  }
  return true;
}

// The pixel sizes and packings pictures use: indexed 1, 2, 4 and 8 bits; direct 16 bits
// (pack types 0, 1, 3) and 32 bits (0, 1, 2, and 4 with three or four component planes).
bool supportedForm(const PixelSource& source, BitsOpcode opcode) {
  if (opcode != BitsOpcode::DirectBits) {
    return source.pixelSize == 1 || source.pixelSize == 2 || source.pixelSize == 4 ||
           source.pixelSize == 8;
  }
  switch (source.packType) {
    case 0:
    case 4:
      return source.pixelSize == 16 ? source.packType == 0
             : source.pixelSize == 32 && (source.componentCount == 3 || source.componentCount == 4);
    case 1:
      return source.pixelSize == 16 || source.pixelSize == 32;
    case 2:
      return source.pixelSize == 32;
    case 3:
      return source.pixelSize == 16;
    default:
      return false;
  }
}

}  // namespace

bool readPixelSource(PictureReader& in, BitsOpcode opcode, uint32_t fore, uint32_t back,
                     PixelSource& source) {
  source = PixelSource();
  if (opcode == BitsOpcode::DirectBits) in.skip(4);  // base address
  uint16_t rowBytes = in.u16();
  source.bounds = in.rect();
  source.rowBytes = rowBytes & kRowBytesMask;
  source.pixMap = (rowBytes & kPixMapFlag) != 0 || opcode == BitsOpcode::DirectBits;
  if (source.pixMap) {
    in.skip(2);  // version
    source.packType = in.s16();
    in.skip(4 + 4 + 4 + 2);  // pack size, resolutions, pixel type
    source.pixelSize = in.s16();
    source.componentCount = in.s16();
    in.skip(2 + 4 + 4 + 4);  // component size, plane bytes, table, reserved
    if (in.failed() || !supportedForm(source, opcode)) return false;
    if (opcode != BitsOpcode::DirectBits && !readColorTable(in, source)) return false;
  } else {
    source.colors = {back, fore};
  }
  return !in.failed() && source.width() > 0 && source.height() >= 0;
}

RowDecoder::RowDecoder(const PixelSource& source, BitsOpcode opcode) : source_(source) {
  const size_t width = static_cast<size_t>(source.width());
  const bool packed = source.rowBytes >= kPackedRowMinimum && opcode != BitsOpcode::Bits;
  form_ = packed ? Form::Packed : Form::Plain;
  storedSize_ = static_cast<size_t>(source.rowBytes);
  if (source.pixelSize == 16) {
    pixels_ = Pixels::Direct16;
    if (packed) form_ = source.packType == 1 ? Form::Plain : Form::PackedWords;
  } else if (source.pixelSize == 32) {
    pixels_ = Pixels::FourBytes;
    if (packed && source.packType == 1) {
      form_ = Form::Plain;
    } else if (packed && source.packType == 2) {
      form_ = Form::Plain;
      pixels_ = Pixels::ThreeBytes;
      storedSize_ = width * 3;
    } else if (packed) {
      pixels_ = Pixels::Planes;
    }
  }
  // An unpacked row always holds all of its pixels, so that turning it into colours never
  // reads past it; what the data leaves out reads as zero.
  size_t pixelBytes = 0;
  switch (pixels_) {
    case Pixels::Indexed: pixelBytes = (width * static_cast<size_t>(source.pixelSize) + 7) / 8; break;
    case Pixels::Direct16: pixelBytes = width * 2; break;
    case Pixels::Planes: pixelBytes = width * static_cast<size_t>(source.componentCount); break;
    case Pixels::ThreeBytes: pixelBytes = width * 3; break;
    case Pixels::FourBytes: pixelBytes = width * 4; break;
  }
  wideCount_ = source.rowBytes > kWideCountRowBytes;
  row_.assign(std::max(pixelBytes, storedSize_), 0);
}

bool RowDecoder::next(PictureReader& in, uint32_t* colors) {
  std::fill(row_.begin(), row_.end(), 0);
  if (form_ == Form::Plain) {
    const uint8_t* bytes = in.take(storedSize_);
    if (bytes == nullptr) return false;
    std::memcpy(row_.data(), bytes, storedSize_);
  } else {
    size_t count = wideCount_ ? in.u16() : in.u8();
    const uint8_t* packed = in.take(count);
    if (packed == nullptr) return false;
    unpackBits(packed, count, row_.data(), row_.size(), form_ == Form::PackedWords ? 2 : 1);
  }
  if (colors != nullptr) toColors(colors);
  return true;
}

void RowDecoder::toColors(uint32_t* colors) const {
  const int32_t width = source_.width();
  const uint8_t* row = row_.data();
  switch (pixels_) {
    case Pixels::Indexed: {
      const int32_t size = source_.pixelSize;
      const uint32_t mask = (1u << size) - 1;
      for (int32_t x = 0; x < width; ++x) {
        int64_t bit = int64_t{x} * size;
        uint32_t value = (row[bit >> 3] >> (8 - size - (bit & 7))) & mask;
        colors[x] = source_.colors[value];
      }
      break;
    }
    case Pixels::Direct16:
      for (int32_t x = 0; x < width; ++x) {
        uint32_t p = (uint32_t{row[2 * x]} << 8) | row[2 * x + 1];
        colors[x] = (widen5((p >> 10) & 31) << 16) | (widen5((p >> 5) & 31) << 8) | widen5(p & 31);
      }
      break;
    case Pixels::Planes: {
      // Red, green and blue follow the alpha plane when there is one.
      const uint8_t* red = row + static_cast<size_t>(width) * (source_.componentCount - 3);
      const uint8_t* green = red + width;
      const uint8_t* blue = green + width;
      for (int32_t x = 0; x < width; ++x) {
        colors[x] = (uint32_t{red[x]} << 16) | (uint32_t{green[x]} << 8) | blue[x];
      }
      break;
    }
    case Pixels::ThreeBytes:
      for (int32_t x = 0; x < width; ++x) {
        const uint8_t* p = row + 3 * x;
        colors[x] = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
      }
      break;
    case Pixels::FourBytes:
      for (int32_t x = 0; x < width; ++x) {
        const uint8_t* p = row + 4 * x;
        colors[x] = (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
      }
      break;
  }
}

}  // namespace quorix::platform::quickdraw
