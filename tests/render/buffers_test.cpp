#include <gtest/gtest.h>

#include <cstring>

#include "common/color_table.h"
#include "common/memory.h"
#include "plugin_sdk/status_codes.h"
#include "render/buffer_descriptor.h"
#include "render/fill.h"
#include "render/frame_buffer.h"
#include "render/offscreen_port.h"
#include "render/pixel_map.h"
#include "render/resource_color_table.h"
#include "tests/render/render_test_support.h"

namespace quorix::render {
namespace {

using testing::TestBuffer;

TEST(BufferDescriptors, TheWaysToMakeOne) {
  uint8_t pixels[4];
  struct Case {
    uint32_t depth;
    int32_t rowBytes;
  } cases[] = {{8, 10}, {16, 20}, {32, 40}, {24, 10}};
  for (const Case& c : cases) {
    BufferDesc desc = makeBufferDesc(pixels, 10, 7, c.depth);
    EXPECT_EQ(desc.baseAddr, pixels);
    EXPECT_EQ(desc.bitsPerPixel, c.depth);
    EXPECT_TRUE(desc.bounds == (Rect16{0, 0, 7, 10}));
    EXPECT_EQ(desc.rowBytes, c.rowBytes);
    EXPECT_EQ(desc.ownsPixels, 0u);
    EXPECT_EQ(desc.colorEntries, nullptr);
    EXPECT_EQ(desc.layoutCode, 0u);
  }
  BufferDesc empty = emptyBufferDesc();
  EXPECT_EQ(empty.baseAddr, nullptr);
  EXPECT_EQ(empty.bitsPerPixel, 8u);
  EXPECT_EQ(empty.rowBytes, 0);
  EXPECT_EQ(bufferDescFromPixelMap(nullptr).bitsPerPixel, 8u);
  EXPECT_EQ(bufferDescFromPort(nullptr).baseAddr, nullptr);
}

TEST(PixelMaps, RowBytesPixelsAndColourTableCopy) {
  struct Case {
    uint32_t depth;
    int width;
    int32_t rowBytes;
  } cases[] = {{8, 321, 328}, {8, 320, 320}, {16, 3, 8}, {32, 2, 8}, {32, 0, 0}};
  for (const Case& c : cases) {
    MemHandle map = newPixelMap(c.depth, Rect16{0, 0, 5, static_cast<int16_t>(c.width)}, nullptr, true);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(rowBytesOf(*pixelMapOf(map)), c.rowBytes) << c.depth << " x " << c.width;
    EXPECT_EQ(pixelMapOf(map)->pixelSize, c.depth);
    EXPECT_NE(pixelMapBaseAddress(map), nullptr);
    disposePixelMap(map);
  }
  MemHandle table = makeResourceColorTable(8);
  MemHandle map = newPixelMap(8, Rect16{0, 0, 4, 4}, table, false);
  ASSERT_NE(map, nullptr);
  PixelMap* record = pixelMapOf(map);
  EXPECT_EQ(record->baseAddr, nullptr);
  ASSERT_NE(record->colorTable, nullptr);
  EXPECT_NE(record->colorTable, table);
  ASSERT_EQ(record->colorTable->size, table->size);
  EXPECT_EQ(std::memcmp(record->colorTable->data, table->data, table->size), 0);
  disposePixelMap(map);
  disposeHandle(table);
  EXPECT_EQ(pixelMapBaseAddress(nullptr), nullptr);

  // Refused: other depths, negative sizes, rows that do not fit in 15 bits.
  setMemoryError(0);
  EXPECT_EQ(newPixelMap(24, Rect16{0, 0, 4, 4}, nullptr, true), nullptr);
  EXPECT_EQ(memoryError(), QX_ERR_MEMORY);
  EXPECT_EQ(newPixelMap(8, Rect16{0, 4, 4, 0}, nullptr, true), nullptr);
  EXPECT_EQ(newPixelMap(32, Rect16{0, 0, 1, 8192}, nullptr, true), nullptr);
  MemHandle widest = newPixelMap(32, Rect16{0, 0, 1, 8190}, nullptr, true);
  EXPECT_NE(widest, nullptr);
  disposePixelMap(widest);
}

TEST(PixelMaps, EveryAllocationFailureLeavesNothingBehind) {
  MemHandle table = makeResourceColorTable(8);
  for (long successes = 0; successes < 6; ++successes) {
    MemHandle map;
    {
      ScopedAllocationFailure failing(successes);
      map = newPixelMap(16, Rect16{0, 0, 8, 8}, table, true);
    }
    if (map == nullptr) {
      EXPECT_EQ(memoryError(), QX_ERR_MEMORY) << successes;
    } else {
      EXPECT_EQ(memoryError(), 0) << successes;
      disposePixelMap(map);
    }
  }
  disposeHandle(table);
}

TEST(PixelMaps, DescriptorFromMapMasksTheRowBytesFlag) {
  FrameBuffer frame;
  setLayout(frame, QX_LAYOUT_565);
  ScopedCurrentFrame scope(frame);
  MemHandle table = makeResourceColorTable(8);
  MemHandle map = newPixelMap(16, Rect16{0, 0, 6, 10}, table, true);
  pixelMapOf(map)->rowBytes |= 0x8000;
  BufferDesc desc = bufferDescFromPixelMap(map);
  EXPECT_EQ(desc.rowBytes, 24);
  EXPECT_EQ(desc.baseAddr, pixelMapBaseAddress(map));
  EXPECT_EQ(desc.bitsPerPixel, 16u);
  EXPECT_TRUE(desc.bounds == (Rect16{0, 0, 6, 10}));
  EXPECT_EQ(desc.colorEntries, colorTableEntries(pixelMapOf(map)->colorTable));
  EXPECT_EQ(desc.layoutCode, static_cast<uint32_t>(QX_LAYOUT_565));
  EXPECT_EQ(desc.ownsPixels, 0u);
  disposePixelMap(map);
  // A table of fewer than 256 entries is not handed out as a 256-entry table.
  ColorEntry few[4] = {};
  MemHandle small = makeColorTable(few, 4, 0, 0);
  MemHandle smallMap = newPixelMap(8, Rect16{0, 0, 2, 2}, small, false);
  EXPECT_EQ(bufferDescFromPixelMap(smallMap).colorEntries, nullptr);
  disposePixelMap(smallMap);
  disposeHandle(small);
  disposeHandle(table);
}

TEST(OffscreenPorts, MadeWithTheCurrentColoursAndAnOwnedMap) {
  currentDrawingColors().fore = RgbColor{1, 2, 3};
  currentDrawingColors().back = RgbColor{4, 5, 6};
  OffscreenPort* port = nullptr;
  EXPECT_EQ(newOffscreenPort(&port, 32, Rect16{0, 0, 3, 5}, nullptr, 0x1234), 0);
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->portKind, 4);
  EXPECT_TRUE(port->portRect == (Rect16{0, 0, 3, 5}));
  EXPECT_TRUE(port->foreColor == (RgbColor{1, 2, 3}));
  EXPECT_TRUE(port->backColor == (RgbColor{4, 5, 6}));
  EXPECT_EQ(port->penH, 0);
  EXPECT_EQ(port->penWidth, 1);
  EXPECT_EQ(port->penHeight, 1);
  EXPECT_EQ(port->dibPixels, nullptr);
  EXPECT_EQ(port->deviceContext, nullptr);
  EXPECT_TRUE(lockPixels(portPixelMap(port)));
  BufferDesc desc = bufferDescFromPort(port);
  EXPECT_EQ(desc.baseAddr, pixelMapBaseAddress(portPixelMap(port)));
  EXPECT_EQ(desc.rowBytes, 24);
  PortRef asPlugins = port;  // plug-ins hold ports as PortRef
  EXPECT_EQ(asPlugins, port);
  disposeOffscreenPort(port);
  disposeOffscreenPort(nullptr);
  currentDrawingColors() = DrawingColors{};

  for (long successes = 0; successes < 3; ++successes) {
    ScopedAllocationFailure failing(successes);
    OffscreenPort* failed = reinterpret_cast<OffscreenPort*>(&successes);
    EXPECT_EQ(newOffscreenPort(&failed, 8, Rect16{0, 0, 4, 4}, nullptr, 0), 0);
    EXPECT_EQ(failed, nullptr) << successes;
    EXPECT_EQ(memoryError(), QX_ERR_MEMORY);
  }
}

TEST(ColourTables, DefaultTableFromTheResource) {
  for (int id : {8, 151}) {
    MemHandle table = makeResourceColorTable(id);
    ASSERT_NE(table, nullptr);
    auto* header = static_cast<ColorTableHeader*>(table->data);
    EXPECT_EQ(header->seed, kResourceTableSeed);
    EXPECT_EQ(header->flags, 0);
    ASSERT_EQ(colorTableCount(table), 256);
    const ColorEntry* entries = colorTableEntries(table);
    EXPECT_EQ(entries[0].red, 0xFFFF);
    EXPECT_EQ(entries[0].blue, 0xFFFF);
    EXPECT_EQ(entries[255].red, 0);
    EXPECT_EQ(entries[255].green, 0);
    disposeHandle(table);
  }
  EXPECT_EQ(makeResourceColorTable(150), nullptr);
  ScopedAllocationFailure failing(0);
  EXPECT_EQ(makeResourceColorTable(8), nullptr);
  EXPECT_EQ(memoryError(), QX_ERR_MEMORY);
}

TEST(WindowedFrame, BuffersOfTheFrameSize) {
  FrameBuffer frame;
  setLevels(frame, 8);
  setDepth(frame, 16);
  setLayout(frame, QX_LAYOUT_555);
  MemHandle table = makeResourceColorTable(8);
  ASSERT_EQ(makeWindowedFrame(frame, Rect16{10, 20, 251, 341}, table), QX_OK);
  EXPECT_TRUE(frame.bounds == (Rect16{0, 0, 241, 321}));
  EXPECT_NE(frame.mainPort, nullptr);
  EXPECT_EQ(frame.baseAddr, pixelMapBaseAddress(portPixelMap(frame.mainPort)));
  EXPECT_EQ(frame.rowBytes, 648);
  // The frame's own map describes the port's pixels.
  EXPECT_EQ(pixelMapBaseAddress(frame.framePixelMap), frame.baseAddr);
  EXPECT_EQ(pixelMapOf(frame.framePixelMap)->ownsPixels, 0u);
  BufferDesc work = workBufferDescriptor(frame);
  EXPECT_NE(work.baseAddr, nullptr);
  EXPECT_NE(work.baseAddr, frame.baseAddr);
  EXPECT_EQ(work.rowBytes, frame.rowBytes);
  EXPECT_EQ(work.bitsPerPixel, 16u);
  EXPECT_TRUE(work.bounds == frame.bounds);
  EXPECT_EQ(pixelMapOf(frame.workBuffer), &frame.workBufferMap);
  // Half the frame's size, each halved by a shift: 321 x 241 gives 160 x 120.
  EXPECT_TRUE(frame.alphaMask.bounds == (Rect16{0, 0, 120, 160}));
  EXPECT_EQ(frame.alphaMask.rowBytes, 160);
  EXPECT_EQ(frame.alphaMask.bitsPerPixel, 8u);
  EXPECT_EQ(frame.alphaMask.ownsPixels, 1u);
  // The colour entries twice in a row.
  ASSERT_NE(frame.colorEntries, nullptr);
  EXPECT_EQ(std::memcmp(frame.colorEntries, colorTableEntries(table), 2048), 0);
  EXPECT_EQ(std::memcmp(frame.colorEntries + 256, colorTableEntries(table), 2048), 0);
  BufferDesc desc = frameDescriptor(frame);
  EXPECT_EQ(desc.baseAddr, frame.baseAddr);
  EXPECT_EQ(desc.colorEntries, frame.colorEntries);

  // Moving the frame to other pixels moves its map too.
  uint8_t surface[16];
  moveFrame(frame, surface, 1280);
  EXPECT_EQ(pixelMapBaseAddress(frame.framePixelMap), surface);
  EXPECT_EQ(rowBytesOf(*pixelMapOf(frame.framePixelMap)), 1280);
  releaseFrameBuffers(frame);
  EXPECT_EQ(frame.mainPort, nullptr);
  EXPECT_EQ(frame.workBuffer, nullptr);
  EXPECT_EQ(frame.alphaMask.baseAddr, nullptr);
  EXPECT_EQ(frame.colorEntries, nullptr);
  EXPECT_EQ(frame.framePixelMap, nullptr);
  EXPECT_EQ(frame.depth, 16u);  // the format stays
  disposeHandle(table);
}

TEST(WindowedFrame, OutOfMemoryFailsWithTheBuffersCodeAndFreesEverything) {
  MemHandle table = makeResourceColorTable(8);
  int failures = 0;
  for (long successes = 0; successes < 20; ++successes) {
    FrameBuffer frame;
    setDepth(frame, 32);
    int32_t status;
    {
      ScopedAllocationFailure failing(successes);
      status = makeWindowedFrame(frame, Rect16{0, 0, 30, 40}, table);
    }
    if (status != QX_OK) {
      ++failures;
      EXPECT_EQ(status, QX_ERR_BUFFERS) << successes;
      EXPECT_EQ(frame.mainPort, nullptr);
      EXPECT_EQ(frame.workBuffer, nullptr);
      EXPECT_EQ(frame.colorEntries, nullptr);
    }
    releaseFrameBuffers(frame);
  }
  EXPECT_GE(failures, 8);  // every allocation of the set-up was made to fail once
  disposeHandle(table);
}

TEST(Fill, EveryPixelOfTheRectangleInsideTheBounds) {
  struct Case {
    uint32_t depth;
    uint32_t value;
    uint32_t stored;
  } cases[] = {{8, 0x12345678, 0x78}, {16, 0x12345678, 0x5678}, {32, 0x12345678, 0x12345678}};
  for (const Case& c : cases) {
    TestBuffer buffer(c.depth, 13, 5, false, 3);
    fillBuffer(buffer.desc(), c.value);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 13; ++x) ASSERT_EQ(buffer.at(x, y), c.stored);
    }
    buffer.fillWith(0);
    fillRect(Rect16{-2, 11, 2, 20}, c.value, buffer.desc());  // clipped to the bounds
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 13; ++x) {
        ASSERT_EQ(buffer.at(x, y), (y < 2 && x >= 11) ? c.stored : 0u) << x << "," << y;
      }
    }
    buffer.fillWith(0);
    fillRect(Rect16{1, 4, 3, 4}, c.value, buffer.desc());  // zero width
    fillRect(Rect16{1, 6, 3, 4}, c.value, buffer.desc());  // negative width
    fillRect(Rect16{3, 1, 3, 6}, c.value, buffer.desc());  // no rows
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 13; ++x) ASSERT_EQ(buffer.at(x, y), 0u);
    }
  }
  TestBuffer odd(8, 4, 4);
  odd.desc().bitsPerPixel = 24;
  fillBuffer(odd.desc(), 0xFF);
  EXPECT_EQ(odd.bytes()[0], 0);
}

}  // namespace
}  // namespace quorix::render
