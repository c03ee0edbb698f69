// Fixtures of the render tests: a frame of the test's own, pixel buffers allocated to their
// exact extent (so the address sanitizer catches any access outside them), hashes and PNGs.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/color_table.h"
#include "common/memory.h"
#include "common/rect.h"
#include "render/fill.h"
#include "render/frame_buffer.h"
#include "render/pixel_access.h"
#include "render/resource_color_table.h"
#include "tests/support/png_writer.h"

namespace quorix::render::testing {

// A pixel buffer of its own: the bytes hold exactly the rows of the bounds; a bottom-up
// buffer has its base at the last row and negative row bytes.
class TestBuffer {
 public:
  TestBuffer(uint32_t depth, int width, int height, bool bottomUp = false, int padding = 0)
      : depth_(depth), width_(width), height_(height) {
    int rowBytes = width * static_cast<int>(depth / 8) + padding;
    size_t size = height > 0 ? static_cast<size_t>(height - 1) * rowBytes +
                                   static_cast<size_t>(width) * (depth / 8)
                             : 0;
    bytes_.assign(size, 0);
    desc_.bitsPerPixel = depth;
    desc_.bounds = Rect16{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
    desc_.rowBytes = bottomUp ? -rowBytes : rowBytes;
    desc_.baseAddr = bytes_.data() + (bottomUp && height > 0 ? static_cast<size_t>(height - 1) * rowBytes : 0);
  }
  TestBuffer(const TestBuffer&) = delete;

  BufferDesc& desc() { return desc_; }
  const BufferDesc& desc() const { return desc_; }
  std::vector<uint8_t>& bytes() { return bytes_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  int width() const { return width_; }
  int height() const { return height_; }

  uint32_t at(int x, int y) const {
    const uint8_t* p = pixelAddress(desc_, x, y);
    switch (depth_) {
      case 8:
        return *p;
      case 16:
        return loadPixel<uint16_t>(p);
      default:
        return loadPixel<uint32_t>(p);
    }
  }
  void set(int x, int y, uint32_t value) {
    uint8_t* p = pixelAddress(desc_, x, y);
    switch (depth_) {
      case 8:
        *p = static_cast<uint8_t>(value);
        break;
      case 16:
        storePixel<uint16_t>(p, static_cast<uint16_t>(value));
        break;
      default:
        storePixel<uint32_t>(p, value);
        break;
    }
  }
  void randomise(uint32_t seed) {
    std::mt19937 random(seed);
    for (uint8_t& b : bytes_) b = static_cast<uint8_t>(random());
  }
  void fillWith(uint32_t value) {
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) set(x, y, value);
    }
  }

 private:
  uint32_t depth_;
  int width_, height_;
  std::vector<uint8_t> bytes_;
  BufferDesc desc_{};
};

// A windowed frame made current for the test's lifetime, with the default colour table and,
// at 8 bits, `tables` transparency tables of seeded random bytes.
class TestFrame {
 public:
  TestFrame(uint32_t depth, uint32_t layout, int width, int height, int levels = 8,
            int tables = -1)
      : scope_(frame) {
    setLevels(frame, levels);
    setDepth(frame, depth);
    setLayout(frame, layout);
    MemHandle table = makeResourceColorTable(8);
    status = makeWindowedFrame(frame, Rect16{0, 0, static_cast<int16_t>(height),
                                             static_cast<int16_t>(width)},
                               table);
    disposeHandle(table);
    if (tables < 0) tables = levels - 1;
    transparency.resize(static_cast<size_t>(tables) * kTransparencyTableBytes);
    std::mt19937 random(77);
    for (uint8_t& b : transparency) b = static_cast<uint8_t>(random());
    setTransparencyTables(frame, transparency.empty() ? nullptr : transparency.data(),
                          static_cast<uint32_t>(transparency.size()));
  }
  ~TestFrame() { releaseFrameBuffers(frame); }
  TestFrame(const TestFrame&) = delete;

  BufferDesc desc() const { return frameDescriptor(frame); }
  BufferDesc work() const { return workBufferDescriptor(frame); }

  FrameBuffer frame;
  int32_t status = 0;
  std::vector<uint8_t> transparency;

 private:
  ScopedCurrentFrame scope_;
};

inline uint64_t hashBytes(const uint8_t* data, size_t size, uint64_t hash = 1469598103934665603ull) {
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 1099511628211ull;
  return hash;
}

// Writes a buffer as a PNG into $QUORIX_PNG_DIR when that is set; returns the path or "".
inline std::string savePng(const BufferDesc& buffer, const std::string& name,
                           const ColorEntry* entries = nullptr) {
  const char* folder = std::getenv("QUORIX_PNG_DIR");
  if (folder == nullptr) return "";
  int width = buffer.bounds.right - buffer.bounds.left;
  int height = buffer.bounds.bottom - buffer.bounds.top;
  std::vector<uint8_t> rgb;
  for (int y = buffer.bounds.top; y < buffer.bounds.bottom; ++y) {
    for (int x = buffer.bounds.left; x < buffer.bounds.right; ++x) {
      const uint8_t* p = pixelAddress(buffer, x, y);
      uint32_t value = buffer.bitsPerPixel == 8    ? *p
                       : buffer.bitsPerPixel == 16 ? loadPixel<uint16_t>(p)
                                                   : loadPixel<uint32_t>(p);
      RgbColor color = pixelValueToColor(value, buffer.bitsPerPixel, buffer.layoutCode,
                                         entries != nullptr ? entries : buffer.colorEntries, 256);
      rgb.push_back(static_cast<uint8_t>(color.red >> 8));
      rgb.push_back(static_cast<uint8_t>(color.green >> 8));
      rgb.push_back(static_cast<uint8_t>(color.blue >> 8));
    }
  }
  std::string path = std::string(folder) + "/" + name + ".png";
  quorix::testing::writePng(path, width, height, rgb);
  return path;
}

}  // namespace quorix::render::testing
