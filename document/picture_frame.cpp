#include "document/picture_frame.h"

#include "common/byte_order.h"

namespace quorix::document {
namespace {

constexpr size_t kBitmapFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

std::optional<Rect16> frameOf(int64_t width, int64_t height) {
  if (height < 0) height = -height;  // rows stored top-down
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) {
    return std::nullopt;
  }
  return Rect16{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
}

}  // namespace

std::optional<Rect16> bitmapFrame(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size < kBitmapFileHeaderSize + kCoreHeaderSize || bytes[0] != 'B' ||
      bytes[1] != 'M') {
    return std::nullopt;
  }
  const uint8_t* info = bytes + kBitmapFileHeaderSize;
  uint32_t headerSize = loadLE32(info);
  if (headerSize == kCoreHeaderSize) {
    return frameOf(loadLE16(info + 4), loadLE16(info + 6));
  }
  if (headerSize < kInfoHeaderSize || size < kBitmapFileHeaderSize + kInfoHeaderSize) {
    return std::nullopt;
  }
  return frameOf(static_cast<int32_t>(loadLE32(info + 4)), static_cast<int32_t>(loadLE32(info + 8)));
}

std::optional<Rect16> pictFrame(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size < 12) return std::nullopt;
  bool version1 = bytes[10] == 0x11 && bytes[11] == 0x01;
  bool version2 = size >= 14 && loadBE16(bytes + 10) == 0x0011 && loadBE16(bytes + 12) == 0x02FF;
  if (!version1 && !version2) return std::nullopt;
  int top = loadBE16s(bytes + 2);
  int left = loadBE16s(bytes + 4);
  int bottom = loadBE16s(bytes + 6);
  int right = loadBE16s(bytes + 8);
  return frameOf(int64_t{right} - left, bottom <= top ? 0 : int64_t{bottom} - top);
}

}  // namespace quorix::document
