#include "media/bitmap_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <new>

#include "common/byte_order.h"
#include "common/color_table.h"
#include "common/memory.h"
#include "media/picture_importer.h"
#include "plugin_sdk/status_codes.h"
#include "render/buffer_descriptor.h"
#include "render/convert_blit.h"
#include "render/pixel_map.h"

namespace quorix::media {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

using Palette = std::array<ColorEntry, 256>;

// Entry i of the bitmap's palette has value i and each 8-bit component c as c x 257; entries
// the file does not hold are black.
Palette paletteOf(const BitmapInfo& info, const uint8_t* bytes) {
  Palette palette{};
  for (uint32_t i = 0; i < info.paletteCount; ++i) {
    const uint8_t* quad = bytes + info.paletteOffset + i * info.paletteEntrySize;  // blue, green, red
    palette[i] = ColorEntry{static_cast<uint16_t>(i), static_cast<uint16_t>(quad[2] * 257),
                            static_cast<uint16_t>(quad[1] * 257), static_cast<uint16_t>(quad[0] * 257)};
  }
  for (uint32_t i = info.paletteCount; i < 256; ++i) palette[i].value = static_cast<uint16_t>(i);
  return palette;
}

// True when the two tables agree in the high bytes of red, green and blue of all 256 entries.
bool samePalette(const Palette& palette, MemHandle table) {
  const ColorEntry* entries = colorTableEntries(table);
  const int count = colorTableCount(table);
  for (int i = 0; i < 256; ++i) {
    ColorEntry other = i < count ? entries[i] : ColorEntry{};
    if ((palette[i].red >> 8) != (other.red >> 8) || (palette[i].green >> 8) != (other.green >> 8) ||
        (palette[i].blue >> 8) != (other.blue >> 8)) {
      return false;
    }
  }
  return true;
}

// Writes the bitmap's pixels into `to` with its top-left pixel at (left, top): 8-bit pixels as
// they are, 24-bit pixels (blue, green, red) as the 32-bit blue, green, red, 0. Pixels outside
// `to` are left out.
void writeRows(const BitmapInfo& info, const uint8_t* bytes, const BufferDesc& to, int left, int top) {
  const size_t rowSize = (static_cast<size_t>(info.width) * info.bitCount + 31) / 32 * 4;
  const int outBytes = info.bitCount == 24 ? 4 : 1;
  const int x0 = std::max(left, static_cast<int>(to.bounds.left));
  const int x1 = std::min(left + info.width, static_cast<int>(to.bounds.right));
  for (int y = 0; y < info.height; ++y) {
    const int at = top + y;
    if (at < to.bounds.top || at >= to.bounds.bottom || x0 >= x1) continue;
    // Bottom-up rows store the last picture row first.
    const int stored = info.topDown ? y : info.height - 1 - y;
    const uint8_t* in = bytes + info.pixelOffset + static_cast<size_t>(stored) * rowSize;
    uint8_t* out = static_cast<uint8_t*>(to.baseAddr) + static_cast<ptrdiff_t>(at - to.bounds.top) * to.rowBytes;
    for (int x = x0; x < x1; ++x) {
      const int column = x - left;
      uint8_t* pixel = out + static_cast<ptrdiff_t>(x - to.bounds.left) * outBytes;
      if (outBytes == 1) {
        *pixel = in[column];
      } else {
        const uint8_t* bgr = in + 3 * column;
        pixel[0] = bgr[0];
        pixel[1] = bgr[1];
        pixel[2] = bgr[2];
        pixel[3] = 0;
      }
    }
  }
}

class BitmapImporter : public PictureImporter {
 public:
  BitmapImporter() : PictureImporter(kBitmapFormat) {}

  MemHandle loadFile(const std::string& path) override {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return nullptr;
    const std::streamoff size = in.tellg();
    if (size < 1 || static_cast<uint64_t>(size) > kMaxBitmapFileSize) return nullptr;
    MemHandle data = newHandle(static_cast<uint32_t>(size));
    if (data == nullptr) return nullptr;
    in.seekg(0);
    if (!in.read(static_cast<char*>(data->data), size)) {
      disposeHandle(data);
      return nullptr;
    }
    return data;
  }

  bool getBounds(MemHandle data, Rect16* bounds) override {
    *bounds = Rect16{};
    if (data == nullptr) return false;
    std::optional<BitmapInfo> info = readBitmapInfo(static_cast<const uint8_t*>(data->data), data->size);
    if (!info) return false;
    *bounds = Rect16{0, 0, static_cast<int16_t>(info->height), static_cast<int16_t>(info->width)};
    return true;
  }

  bool draw(MemHandle data, const Rect16& frame, render::OffscreenPort* target) override {
    return data != nullptr &&
           drawBitmap(static_cast<const uint8_t*>(data->data), data->size, frame, target) == QX_OK;
  }

  FourCC acceptsType(FourCC) override { return 0; }
  void addFileFilter() override {}
};

}  // namespace

std::optional<BitmapInfo> readBitmapInfo(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size < kFileHeaderSize + kCoreHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') {
    return std::nullopt;
  }
  BitmapInfo info;
  info.pixelOffset = loadLE32(bytes + 10);
  if (info.pixelOffset > kMaxBitmapOffset) return std::nullopt;
  const uint8_t* header = bytes + kFileHeaderSize;
  const uint32_t headerSize = loadLE32(header);
  int64_t width = 0, height = 0;
  uint32_t used = 0;
  if (headerSize == kCoreHeaderSize) {
    width = loadLE16(header + 4);
    height = loadLE16(header + 6);
    info.bitCount = loadLE16(header + 10);
    info.paletteEntrySize = 3;
  } else if (headerSize >= kInfoHeaderSize && size >= kFileHeaderSize + kInfoHeaderSize) {
    width = static_cast<int32_t>(loadLE32(header + 4));
    height = static_cast<int32_t>(loadLE32(header + 8));
    info.bitCount = loadLE16(header + 14);
    info.compression = loadLE32(header + 16);
    used = loadLE32(header + 32);
  } else {
    return std::nullopt;
  }
  // Rows stored top-down have a negative height; the picture is as high either way.
  info.topDown = height < 0;
  height = height < 0 ? -height : height;
  if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) return std::nullopt;
  info.width = static_cast<int32_t>(width);
  info.height = static_cast<int32_t>(height);
  // The palette follows the header; it holds biClrUsed entries (256 when 0), at most 256 and
  // no more than the file holds.
  info.paletteOffset = kFileHeaderSize + headerSize;
  uint64_t wanted = used == 0 || used > 256 ? 256 : used;
  uint64_t present = info.paletteOffset < size ? (size - info.paletteOffset) / info.paletteEntrySize : 0;
  info.paletteCount = info.bitCount <= 8 ? static_cast<uint32_t>(std::min(wanted, present)) : 0;
  return info;
}

int32_t drawBitmap(const uint8_t* bytes, size_t size, const Rect16& frame, render::OffscreenPort* target) {
  std::optional<BitmapInfo> info = readBitmapInfo(bytes, size);
  if (!info) return QX_ERR_PICTURE_DATA;
  if (info->compression != 0) return QX_ERR_BITMAP_COMPRESSION;
  if (info->bitCount != 8 && info->bitCount != 24) return QX_ERR_BITMAP_DEPTH;
  const render::PixelMap* map = render::pixelMapOf(render::portPixelMap(target));
  if (map == nullptr || map->baseAddr == nullptr ||
      (map->pixelSize != 8 && map->pixelSize != 16 && map->pixelSize != 32)) {
    return QX_ERR_BITMAP_DEPTH;
  }
  const uint64_t rowSize = (static_cast<uint64_t>(info->width) * info->bitCount + 31) / 32 * 4;
  if (info->pixelOffset + rowSize * static_cast<uint64_t>(info->height) > size) return QX_ERR_PICTURE_DATA;

  const Palette palette = paletteOf(*info, bytes);
  const uint32_t depth = info->bitCount == 24 ? 32 : 8;
  const BufferDesc targetDesc = render::bufferDescFromPort(target);
  const bool sameSize = frame.right - frame.left == info->width && frame.bottom - frame.top == info->height;
  if (depth == map->pixelSize && sameSize && (depth != 8 || samePalette(palette, map->colorTable))) {
    writeRows(*info, bytes, targetDesc, frame.left, frame.top);
    return QX_OK;
  }

  // Through a buffer of the bitmap's depth (with its palette), converted into the target:
  // 16-bit pictures are drawn as 5-5-5, 8-bit ones take the nearest colours of their table.
  MemHandle table = depth == 8 ? makeColorTable(palette.data(), 256, 0, 0) : nullptr;
  if (depth == 8 && table == nullptr) return QX_ERR_MEMORY;
  render::OffscreenPort* aside = nullptr;
  const Rect16 whole{0, 0, static_cast<int16_t>(info->height), static_cast<int16_t>(info->width)};
  render::newOffscreenPort(&aside, depth, whole, table, 0);
  disposeHandle(table);
  if (aside == nullptr) return QX_ERR_MEMORY;
  const BufferDesc asideDesc = render::bufferDescFromPort(aside);
  writeRows(*info, bytes, asideDesc, 0, 0);
  const render::PixelMap* asideMap = render::pixelMapOf(aside->pixMap);
  render::convertingCopy(
      render::PixelFormatSide{&asideDesc, QX_LAYOUT_555, colorTableEntries(asideMap->colorTable), 256},
      render::PixelFormatSide{&targetDesc, QX_LAYOUT_555, colorTableEntries(map->colorTable),
                              colorTableCount(map->colorTable)},
      whole, frame);
  render::disposeOffscreenPort(aside);
  return QX_OK;
}

std::unique_ptr<PictureImporter> makeBitmapImporter() {
  return std::unique_ptr<PictureImporter>(new (std::nothrow) BitmapImporter());
}

}  // namespace quorix::media
