#include "media/picture_reduction.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "render/convert_blit.h"
#include "render/pixel_format.h"

namespace quorix::media {
namespace {

// Three channels of a pixel, 8-bit values or a 16-bit layout's own widths.
struct Channels {
  uint32_t a = 0, b = 0, c = 0;
};

// The walk: destination pixel (i, j) starts its block at source column xs[i], row ys[j].
struct Walk {
  int width = 0, height = 0;            // destination size
  int sourceWidth = 0, sourceHeight = 0;
  std::vector<int> columns, rows;
};

Walk walkOf(const BufferDesc& source, const BufferDesc& destination) {
  Walk walk;
  walk.sourceWidth = source.bounds.right - source.bounds.left;
  walk.sourceHeight = source.bounds.bottom - source.bounds.top;
  walk.width = destination.bounds.right - destination.bounds.left;
  walk.height = destination.bounds.bottom - destination.bounds.top;
  if (walk.width <= 0 || walk.height <= 0 || walk.sourceWidth <= 0 || walk.sourceHeight <= 0) return Walk{};
  const int64_t xStep = (int64_t{walk.sourceWidth} << 16) / walk.width;
  const int64_t yStep = (int64_t{walk.sourceHeight} << 16) / walk.height;
  int64_t at = 0;
  for (int i = 0; i < walk.width; ++i, at += xStep) walk.columns.push_back(static_cast<int>(at >> 16));
  at = 0;
  for (int j = 0; j < walk.height; ++j, at += yStep) walk.rows.push_back(static_cast<int>(at >> 16));
  return walk;
}

template <typename Pixel>
const Pixel* sourceRow(const BufferDesc& source, int row) {
  return reinterpret_cast<const Pixel*>(static_cast<const uint8_t*>(source.baseAddr) +
                                        static_cast<ptrdiff_t>(row) * source.rowBytes);
}

template <typename Pixel>
Pixel* destinationRow(const BufferDesc& destination, int row) {
  return reinterpret_cast<Pixel*>(static_cast<uint8_t*>(destination.baseAddr) +
                                  static_cast<ptrdiff_t>(row) * destination.rowBytes);
}

// The mean of `count` (1, 4 or 9) summed values without dividing: exact for sums up to 9 x 255.
uint32_t mean(uint32_t sum, int count) {
  return count == 9 ? (sum * 7282) >> 16 : count == 4 ? sum >> 2 : sum;
}

// Reduces 8-bit or 16-bit pixels into 16-bit ones: channels read by `read`, written back by
// `write`, a block of n x n pixels per destination pixel (n = 1: the nearest).
template <typename SourcePixel, typename Read, typename Write>
void reduceBlocks(const BufferDesc& source, const BufferDesc& destination, const Walk& walk, int n,
                  Read read, Write write) {
  for (int j = 0; j < walk.height; ++j) {
    uint16_t* out = destinationRow<uint16_t>(destination, j);
    for (int i = 0; i < walk.width; ++i) {
      Channels sum;
      for (int dy = 0; dy < n; ++dy) {
        const SourcePixel* row = sourceRow<SourcePixel>(source, std::min(walk.rows[static_cast<size_t>(j)] + dy, walk.sourceHeight - 1));
        for (int dx = 0; dx < n; ++dx) {
          Channels c = read(row[std::min(walk.columns[static_cast<size_t>(i)] + dx, walk.sourceWidth - 1)]);
          sum.a += c.a;
          sum.b += c.b;
          sum.c += c.c;
        }
      }
      out[i] = write(Channels{mean(sum.a, n * n), mean(sum.b, n * n), mean(sum.c, n * n)});
    }
  }
}

// The block size for a ratio: 1 (nearest), 2 or 3.
int blockFor(float ratio) {
  if (ratio >= 0.75f || ratio < 0.25f) return 1;
  return ratio >= 0.4f ? 2 : 3;
}

void reduce8To8(const BufferDesc& source, const BufferDesc& destination, const Walk& walk) {
  for (int j = 0; j < walk.height; ++j) {
    const uint8_t* in = sourceRow<uint8_t>(source, walk.rows[static_cast<size_t>(j)]);
    uint8_t* out = destinationRow<uint8_t>(destination, j);
    for (int i = 0; i < walk.width; ++i) out[i] = in[walk.columns[static_cast<size_t>(i)]];
  }
}

void reduce8To16(const BufferDesc& source, const BufferDesc& destination, const Walk& walk, int n) {
  const ColorEntry* entries = source.colorEntries;
  if (entries == nullptr) return;
  auto read = [entries](uint8_t p) {
    const ColorEntry& e = entries[p];
    return Channels{static_cast<uint32_t>(e.red >> 8), static_cast<uint32_t>(e.green >> 8), static_cast<uint32_t>(e.blue >> 8)};
  };
  const uint32_t layout = destination.layoutCode;
  auto write = [layout](Channels c) {
    return static_cast<uint16_t>(render::colorToPixelValue(
        render::rgb8(static_cast<uint8_t>(c.a), static_cast<uint8_t>(c.b), static_cast<uint8_t>(c.c)), 16, layout, nullptr, 0));
  };
  reduceBlocks<uint8_t>(source, destination, walk, n, read, write);
}

void reduce16To16(const BufferDesc& source, const BufferDesc& destination, const Walk& walk, int n) {
  // Red, green and blue at the widths and places of the source's layout.
  const bool is565 = source.layoutCode == QX_LAYOUT_565;
  const int redShift = is565 ? 11 : 10;
  const uint32_t greenMask = is565 ? 0x3F : 0x1F;
  auto read = [=](uint16_t p) { return Channels{(p >> redShift) & 0x1Fu, (p >> 5) & greenMask, p & 0x1Fu}; };
  auto write = [=](Channels c) { return static_cast<uint16_t>((c.a << redShift) | (c.b << 5) | c.c); };
  reduceBlocks<uint16_t>(source, destination, walk, n, read, write);
}

void reduce32To32(const BufferDesc& source, const BufferDesc& destination, const Walk& walk) {
  for (int j = 0; j < walk.height; ++j) {
    const int top = walk.rows[static_cast<size_t>(j)];
    const uint8_t* upper = sourceRow<uint8_t>(source, top);
    const uint8_t* lower = sourceRow<uint8_t>(source, std::min(top + 1, walk.sourceHeight - 1));
    uint8_t* out = destinationRow<uint8_t>(destination, j);
    for (int i = 0; i < walk.width; ++i) {
      const int left = walk.columns[static_cast<size_t>(i)] * 4;
      const int right = std::min(walk.columns[static_cast<size_t>(i)] + 1, walk.sourceWidth - 1) * 4;
      for (int byte = 0; byte < 4; ++byte) {
        out[4 * i + byte] = static_cast<uint8_t>(
            (upper[left + byte] + upper[right + byte] + lower[left + byte] + lower[right + byte]) >> 2);
      }
    }
  }
}

}  // namespace

void reducePicture(const BufferDesc& source, const BufferDesc& destination) {
  if (source.baseAddr == nullptr || destination.baseAddr == nullptr) return;
  const Walk walk = walkOf(source, destination);
  if (walk.width == 0) return;
  const float ratio = static_cast<float>(walk.width) / static_cast<float>(walk.sourceWidth);
  const uint32_t from = source.bitsPerPixel, to = destination.bitsPerPixel;
  if (from == 8 && to == 8) {
    reduce8To8(source, destination, walk);
  } else if (from == 8 && to == 16) {
    reduce8To16(source, destination, walk, blockFor(ratio));
  } else if (from == 16 && to == 16) {
    reduce16To16(source, destination, walk, blockFor(ratio));
  } else if (from == 16 && to == 32) {
    render::copy16To32(source, destination, source.bounds, destination.bounds);
  } else if (from == 32 && to == 32) {
    reduce32To32(source, destination, walk);
  }
}

}  // namespace quorix::media
