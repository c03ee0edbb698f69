// Drawing a QuickDraw picture: the opcode stream of a version 1 picture (one-byte opcodes) or
// a version 2 picture (two-byte opcodes, each starting on an even offset). The bitmap opcodes
// draw, the clip opcode and the colour opcodes change how they draw, and every other opcode
// is skipped by the length its number gives.
#include <algorithm>
#include <vector>

#include "platform/media/color_canvas.h"
#include "platform/media/media_platform.h"
#include "platform/media/quickdraw/picture_reader.h"
#include "platform/media/quickdraw/pixel_source.h"
#include "platform/media/quickdraw/region.h"
#include "plugin_sdk/status_codes.h"

namespace quorix::platform {
namespace {

using quickdraw::BitsOpcode;
using quickdraw::PictureReader;
using quickdraw::PixelSource;
using quickdraw::Region;
using quickdraw::RowDecoder;

enum : uint16_t {
  kOpClip = 0x0001,
  kOpForeColor = 0x000E,
  kOpBackColor = 0x000F,
  kOpVersion = 0x0011,
  kOpRgbForeColor = 0x001A,
  kOpRgbBackColor = 0x001B,
  kOpBitsRect = 0x0090,
  kOpBitsRegion = 0x0091,
  kOpPackBitsRect = 0x0098,
  kOpPackBitsRegion = 0x0099,
  kOpDirectBitsRect = 0x009A,
  kOpDirectBitsRegion = 0x009B,
  kOpEndPicture = 0x00FF,
  kOpHeader = 0x0C00,
  kVersion2 = 0x02FF,
};

// Transfer modes that leave some source pixels out.
enum : uint16_t { kModeOr = 1, kModeNotCopy = 4, kModeTransparent = 36, kModeDitherFlag = 64 };

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

int64_t floorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// The eight colours of the old colour opcodes, by their numbers.
uint32_t classicColor(uint32_t number) {
  switch (number) {
    case 30: return kWhite;
    case 69: return 0xFFFF00;   // yellow
    case 137: return 0xFF00FF;  // magenta
    case 205: return 0xFF0000;  // red
    case 273: return 0x00FFFF;  // cyan
    case 341: return 0x00FF00;  // green
    case 409: return 0x0000FF;  // blue
    default: return kBlack;
  }
}

// Picture coordinates and the target's, each axis scaled from the picture's frame to the
// destination frame (nearest below).
struct FrameMap {
  Rect16 picture;
  Rect16 frame;

  static int32_t scale(int32_t v, int32_t from0, int32_t fromSize, int32_t to0, int32_t toSize) {
    return static_cast<int32_t>(to0 + floorDiv(int64_t{v - from0} * toSize, fromSize));
  }
  int32_t targetX(int32_t x) const {
    return scale(x, picture.left, picture.right - picture.left, frame.left, frame.right - frame.left);
  }
  int32_t targetY(int32_t y) const {
    return scale(y, picture.top, picture.bottom - picture.top, frame.top, frame.bottom - frame.top);
  }
  int32_t pictureX(int32_t x) const {
    return scale(x, frame.left, frame.right - frame.left, picture.left, picture.right - picture.left);
  }
  int32_t pictureY(int32_t y) const {
    return scale(y, frame.top, frame.bottom - frame.top, picture.top, picture.bottom - picture.top);
  }
};

// A rectangle in 32-bit target coordinates.
struct Span {
  int32_t top, left, bottom, right;
  bool empty() const { return right <= left || bottom <= top; }
};

// Pictures draw 16-bit pixels as 5-5-5, whatever layout the buffer was described with.
BufferDesc in555(BufferDesc target) {
  target.layoutCode = QX_LAYOUT_555;
  return target;
}

class PictureDecoder {
 public:
  PictureDecoder(const uint8_t* data, size_t size, const Rect16& frame, const BufferDesc& target)
      : data_(data), in_(data, size), canvas_(in555(target)) {
    map_.frame = frame;
  }

  int32_t run() {
    in_.skip(2);  // the size word: pictures larger than 64 KB do not fit in it
    map_.picture = in_.rect();
    if (in_.failed() || map_.picture.right <= map_.picture.left ||
        map_.picture.bottom <= map_.picture.top) {
      return QX_ERR_PICTURE_DATA;
    }
    if (!readVersion()) return QX_ERR_PICTURE_DATA;
    drawing_ = canvas_.usable() && map_.frame.right > map_.frame.left &&
               map_.frame.bottom > map_.frame.top;
    while (true) {
      if (version2_) in_.alignToWord();
      uint16_t opcode = version2_ ? in_.u16() : in_.u8();
      if (in_.failed()) return QX_ERR_PICTURE_DATA;
      if (opcode == kOpEndPicture) return QX_OK;
      if (!step(opcode)) return QX_ERR_PICTURE_DATA;
    }
  }

 private:
  // A version 1 picture starts with the bytes 11 01, a version 2 picture with the opcode
  // 0011 and the version 02FF.
  bool readVersion() {
    const uint8_t* start = in_.peek(2);
    if (start != nullptr && start[0] == kOpVersion && start[1] == 0x01) {
      in_.skip(2);
      return true;
    }
    version2_ = in_.u16() == kOpVersion && in_.u16() == kVersion2;
    return version2_ && !in_.failed();
  }

  bool step(uint16_t opcode) {
    switch (opcode) {
      case kOpClip:
        return readRegion(clip_);
      case kOpForeColor:
        fore_ = classicColor(in_.u32());
        return !in_.failed();
      case kOpBackColor:
        back_ = classicColor(in_.u32());
        return !in_.failed();
      case kOpRgbForeColor:
        fore_ = readRgb();
        return !in_.failed();
      case kOpRgbBackColor:
        back_ = readRgb();
        return !in_.failed();
      case kOpHeader:
        return readHeader();
      case kOpBitsRect:
        return drawBits(BitsOpcode::Bits, false);
      case kOpBitsRegion:
        return drawBits(BitsOpcode::Bits, true);
      case kOpPackBitsRect:
        return drawBits(BitsOpcode::PackBits, false);
      case kOpPackBitsRegion:
        return drawBits(BitsOpcode::PackBits, true);
      case kOpDirectBitsRect:
        return drawBits(BitsOpcode::DirectBits, false);
      case kOpDirectBitsRegion:
        return drawBits(BitsOpcode::DirectBits, true);
      default:
        return skipData(opcode);
    }
  }

  uint32_t readRgb() {
    uint32_t red = in_.u16() >> 8, green = in_.u16() >> 8, blue = in_.u16() >> 8;
    return (red << 16) | (green << 8) | blue;
  }

  // The version 2 header. An extended header names the rectangle the opcodes' coordinates
  // use (the picture at its own resolution); the frame then maps from that rectangle.
  bool readHeader() {
    const uint8_t* header = in_.take(24);
    if (header == nullptr) return false;
    PictureReader fields(header, 24);
    if (fields.s16() == -2) {
      fields.skip(2 + 4 + 4);
      Rect16 source = fields.rect();
      if (source.right > source.left && source.bottom > source.top) map_.picture = source;
    }
    return true;
  }

  bool readRegion(Region& region) {
    size_t start = in_.position();
    uint16_t size = in_.u16();
    if (in_.failed() || size < 2 || in_.take(size - 2u) == nullptr) return false;
    return region.parse(data_ + start, size);
  }

  // A variable-length opcode's data: a 16-bit size that counts itself (polygons, regions).
  bool skipSelfSized() {
    uint16_t size = in_.u16();
    if (in_.failed() || size < 2) return false;
    in_.skip(size - 2u);
    return !in_.failed();
  }
  bool skipCounted16() {
    in_.skip(in_.u16());
    return !in_.failed();
  }
  bool skipCounted32() {
    in_.skip(in_.u32());
    return !in_.failed();
  }
  bool skipText(size_t before) {
    in_.skip(before);
    in_.skip(in_.u8());
    return !in_.failed();
  }

  // Pattern opcodes with a pixel pattern: its type, the old 8 x 8 pattern, then an RGB colour
  // (type 2) or a whole pixel map with its colour table and rows (type 1).
  bool skipPixelPattern() {
    uint16_t type = in_.u16();
    in_.skip(8);
    if (type == 2) {
      in_.skip(6);
    } else if (type == 1) {
      PixelSource source;
      if (!quickdraw::readPixelSource(in_, BitsOpcode::PackBits, fore_, back_, source)) return false;
      RowDecoder rows(source, BitsOpcode::PackBits);
      for (int32_t r = 0; r < source.height(); ++r) {
        if (!rows.next(in_, nullptr)) return false;
      }
    }
    return !in_.failed();
  }

  bool skipData(uint16_t opcode) {
    if (opcode >= 0x8100) return skipCounted32();
    if (opcode >= 0x8000) return true;
    if (opcode >= 0x0100) {
      in_.skip(size_t{static_cast<uint16_t>(opcode >> 8)} * 2);
      return !in_.failed();
    }
    if (opcode >= 0xD0) return skipCounted32();
    if (opcode >= 0xB0) return true;
    if (opcode >= 0xA2) return skipCounted16();
    switch (opcode) {
      case 0x12: case 0x13: case 0x14:
        return skipPixelPattern();
      case 0x24: case 0x25: case 0x26: case 0x27:
      case 0x2C: case 0x2D: case 0x2E: case 0x2F:
      case 0x92: case 0x93: case 0x94: case 0x95: case 0x96: case 0x97:
      case 0x9C: case 0x9D: case 0x9E: case 0x9F:
        return skipCounted16();
      case 0x28:
        return skipText(4);
      case 0x29: case 0x2A:
        return skipText(1);
      case 0x2B:
        return skipText(2);
      case 0xA1:
        in_.skip(2);
        return skipCounted16();
      default:
        break;
    }
    if ((opcode >= 0x70 && opcode <= 0x77) || (opcode >= 0x80 && opcode <= 0x87)) {
      return skipSelfSized();
    }
    in_.skip(fixedLength(opcode));
    return !in_.failed();
  }

  // Data bytes of the opcodes below 0xB0 whose data has a fixed size.
  size_t fixedLength(uint16_t opcode) const {
    switch (opcode) {
      case 0x03: case 0x05: case 0x08: case 0x0D: case 0x15: case 0x16: case 0x23: case 0xA0:
        return 2;
      case 0x04:
        return 1;
      case 0x06: case 0x07: case 0x0B: case 0x0C: case 0x21:
        return 4;
      case 0x1D: case 0x1F: case 0x22:
        return 6;
      case 0x02: case 0x09: case 0x0A: case 0x10: case 0x20:
        return 8;
      case kOpVersion:
        return version2_ ? 2 : 1;
      default:
        break;
    }
    if (opcode >= 0x30 && opcode < 0x60) return (opcode & 0x08) != 0 ? 0 : 8;  // rect, rrect, oval
    if (opcode >= 0x60 && opcode < 0x70) return (opcode & 0x08) != 0 ? 4 : 12; // arcs
    return 0;
  }

  // A bitmap opcode: the pixels, source and destination rectangles, transfer mode and (for the
  // region forms) a mask region, then the rows. Source row r and column c are drawn at the
  // target pixels whose place in the destination rectangle scales back to them.
  bool drawBits(BitsOpcode opcode, bool masked) {
    PixelSource source;
    if (!quickdraw::readPixelSource(in_, opcode, fore_, back_, source)) return false;
    Rect16 sourceRect = in_.rect();
    Rect16 destinationRect = in_.rect();
    uint16_t mode = static_cast<uint16_t>(in_.u16() & ~kModeDitherFlag);
    Region mask;
    if (masked && !readRegion(mask)) return false;
    if (in_.failed()) return false;
    if (!source.pixMap && mode == kModeNotCopy) std::swap(source.colors[0], source.colors[1]);
    const bool skipBackground = mode == kModeTransparent || (!source.pixMap && mode == kModeOr);

    Span whole{map_.targetY(destinationRect.top), map_.targetX(destinationRect.left),
               map_.targetY(destinationRect.bottom), map_.targetX(destinationRect.right)};
    const Rect16& bounds = canvas_.bounds();
    Span drawn{std::max<int32_t>(whole.top, bounds.top), std::max<int32_t>(whole.left, bounds.left),
               std::min<int32_t>(whole.bottom, bounds.bottom), std::min<int32_t>(whole.right, bounds.right)};
    const int32_t sourceWidth = sourceRect.right - sourceRect.left;
    const int32_t sourceHeight = sourceRect.bottom - sourceRect.top;
    bool drawing = drawing_ && !drawn.empty() && sourceWidth > 0 && sourceHeight > 0;

    // Per target column: the source column (-1 outside the pixels) and the picture column.
    std::vector<int32_t> sourceColumn, pictureColumn;
    if (drawing) {
      for (int32_t x = drawn.left; x < drawn.right; ++x) {
        int64_t c = sourceRect.left - source.bounds.left +
                    floorDiv(int64_t{x - whole.left} * sourceWidth, whole.right - whole.left);
        sourceColumn.push_back(c >= 0 && c < source.width() ? static_cast<int32_t>(c) : -1);
        pictureColumn.push_back(map_.pictureX(x));
      }
    }
    auto sourceRowOf = [&](int32_t y) {
      return sourceRect.top - source.bounds.top +
             floorDiv(int64_t{y - whole.top} * sourceHeight, whole.bottom - whole.top);
    };

    RowDecoder rows(source, opcode);
    std::vector<uint32_t> colors(drawing ? static_cast<size_t>(source.width()) : 0);
    int32_t y = drawn.top;
    while (drawing && y < drawn.bottom && sourceRowOf(y) < 0) ++y;
    for (int32_t r = 0; r < source.height(); ++r) {
      const bool needed = drawing && y < drawn.bottom && sourceRowOf(y) == r;
      if (!rows.next(in_, needed ? colors.data() : nullptr)) return false;
      for (; needed && y < drawn.bottom && sourceRowOf(y) == r; ++y) {
        int32_t pictureY = map_.pictureY(y);
        clip_.moveToRow(pictureY);
        mask.moveToRow(pictureY);
        for (size_t i = 0; i < sourceColumn.size(); ++i) {
          if (sourceColumn[i] < 0 || !clip_.contains(pictureColumn[i]) ||
              !mask.contains(pictureColumn[i])) {
            continue;
          }
          uint32_t color = colors[static_cast<size_t>(sourceColumn[i])];
          if (skipBackground && color == back_) continue;
          canvas_.put(drawn.left + static_cast<int32_t>(i), y, color);
        }
      }
    }
    return true;
  }

  const uint8_t* data_;
  PictureReader in_;
  ColorCanvas canvas_;
  FrameMap map_{};
  bool version2_ = false;
  bool drawing_ = false;
  Region clip_;
  uint32_t fore_ = kBlack;
  uint32_t back_ = kWhite;
};

}  // namespace

int32_t drawQuickDrawPicture(const uint8_t* data, size_t size, const Rect16& frame,
                             const BufferDesc& target) {
  if (data == nullptr) return QX_ERR_PICTURE_DATA;
  return PictureDecoder(data, size, frame, target).run();
}

}  // namespace quorix::platform
