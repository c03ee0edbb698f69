#include "render/frame_buffer.h"

#include <algorithm>
#include <cstring>

#include "common/color_table.h"
#include "common/memory.h"
#include "plugin_sdk/status_codes.h"
#include "render/buffer_descriptor.h"

namespace quorix::render {
namespace {

FrameBuffer* gCurrent = nullptr;

FrameBuffer& defaultFrame() {
  static FrameBuffer frame;
  return frame;
}

void freeWorkBuffer(FrameBuffer& frame) {
  engineFree(frame.workBufferMap.baseAddr);
  frame.workBufferMap = PixelMap{};
  frame.workBufferRecord = MemHandleRecord{};
  frame.workBuffer = nullptr;
}

void freeAlphaMask(FrameBuffer& frame) {
  if (frame.alphaMask.ownsPixels != 0) engineFree(frame.alphaMask.baseAddr);
  frame.alphaMask = BufferDesc{};
}

}  // namespace

FrameBuffer& currentFrameBuffer() { return gCurrent != nullptr ? *gCurrent : defaultFrame(); }

void setCurrentFrameBuffer(FrameBuffer* frame) { gCurrent = frame; }

void setDepth(FrameBuffer& frame, uint32_t depth) {
  frame.depth = normalisedDepth(depth);
  frame.byteShift = byteShiftOfDepth(frame.depth);
  if (frame.depth != 8) {
    frame.levelStep = 1;
    frame.levelCeiling = 126;
  }
}

void setLevels(FrameBuffer& frame, int32_t levels) {
  levels = std::clamp(levels, 1, 128);
  frame.levelStep = 128 / levels;
  frame.levelCeiling = (levels - 1) * frame.levelStep;
}

void setLayout(FrameBuffer& frame, uint32_t layoutCode) {
  frame.layoutCode = layoutCode;
  frame.is565 = layoutCode == QX_LAYOUT_565;
}

void setBlendLevel(FrameBuffer& frame, int32_t level) {
  frame.blendLevel = std::clamp(level, 0, 127);
}

void setTransparencyTables(FrameBuffer& frame, const uint8_t* tables, uint32_t size) {
  frame.transparencyTables = tables;
  frame.transparencyBytes = tables != nullptr ? size : 0;
}

int32_t transparencyTableCount(const FrameBuffer& frame) {
  return static_cast<int32_t>(frame.transparencyBytes / kTransparencyTableBytes);
}

uint32_t pixelFormatIdentifier(const FrameBuffer& frame) {
  return pixelFormatIdentifier(frame.depth, frame.layoutCode);
}

uint32_t colorToPixel(const FrameBuffer& frame, const RgbColor& color,
                      const ColorEntry* entries) {
  if (entries == nullptr) entries = frame.colorEntries;
  return colorToPixelValue(color, frame.depth, frame.layoutCode, entries,
                           entries != nullptr ? 256 : 0);
}

BufferDesc frameDescriptor(const FrameBuffer& frame) {
  BufferDesc desc{};
  desc.baseAddr = frame.baseAddr;
  desc.bitsPerPixel = frame.depth;
  desc.bounds = frame.bounds;
  desc.rowBytes = frame.rowBytes;
  desc.colorEntries = frame.colorEntries;
  desc.layoutCode = frame.layoutCode;
  return desc;
}

BufferDesc workBufferDescriptor(const FrameBuffer& frame) {
  if (frame.workBuffer == nullptr) return emptyBufferDesc();
  BufferDesc desc = bufferDescFromPixelMap(frame.workBuffer);
  desc.colorEntries = frame.colorEntries;
  desc.layoutCode = frame.layoutCode;
  return desc;
}

int32_t makeFrameCompanions(FrameBuffer& frame, MemHandle colorTable) {
  int width = frame.bounds.right - frame.bounds.left;
  int height = frame.bounds.bottom - frame.bounds.top;
  int32_t rowBytes = frame.rowBytes < 0 ? -frame.rowBytes : frame.rowBytes;

  void* work = engineAllocateZeroed(static_cast<size_t>(height) * static_cast<size_t>(rowBytes));
  int maskWidth = width >> 1;
  int maskHeight = height >> 1;
  void* mask = work != nullptr ? engineAllocateZeroed(static_cast<size_t>(maskWidth) *
                                                      static_cast<size_t>(maskHeight))
                               : nullptr;
  auto* entries = mask != nullptr ? static_cast<ColorEntry*>(engineAllocateZeroed(
                                        kColorEntryCopyCount * sizeof(ColorEntry)))
                                  : nullptr;
  if (entries == nullptr) {
    engineFree(mask);
    engineFree(work);
    return QX_ERR_BUFFERS;
  }

  frame.workBufferMap = PixelMap{};
  frame.workBufferMap.baseAddr = work;
  frame.workBufferMap.rowBytes = static_cast<uint16_t>(rowBytes & 0x7FFF);
  frame.workBufferMap.bounds = frame.bounds;
  frame.workBufferMap.pixelSize = static_cast<uint16_t>(frame.depth);
  frame.workBufferMap.ownsPixels = 1;
  frame.workBufferRecord = MemHandleRecord{&frame.workBufferMap, sizeof(PixelMap)};
  frame.workBuffer = &frame.workBufferRecord;

  frame.alphaMask = BufferDesc{};
  frame.alphaMask.baseAddr = mask;
  frame.alphaMask.bitsPerPixel = 8;
  frame.alphaMask.bounds =
      Rect16{0, 0, static_cast<int16_t>(maskHeight), static_cast<int16_t>(maskWidth)};
  frame.alphaMask.rowBytes = maskWidth;
  frame.alphaMask.ownsPixels = 1;

  int count = std::min(colorTableCount(colorTable), 256);
  if (count > 0) {
    const ColorEntry* source = colorTableEntries(colorTable);
    std::memcpy(entries, source, static_cast<size_t>(count) * sizeof(ColorEntry));
    std::memcpy(entries + 256, source, static_cast<size_t>(count) * sizeof(ColorEntry));
  }
  frame.colorEntries = entries;
  return QX_OK;
}

int32_t makeWindowedFrame(FrameBuffer& frame, const Rect16& bounds, MemHandle colorTable) {
  Rect16 origin{0, 0, static_cast<int16_t>(bounds.bottom - bounds.top),
                static_cast<int16_t>(bounds.right - bounds.left)};
  OffscreenPort* port = nullptr;
  newOffscreenPort(&port, frame.depth, origin, colorTable, 0);
  if (port == nullptr) return QX_ERR_BUFFERS;
  const PixelMap* portMap = pixelMapOf(port->pixMap);

  // The frame's own map describes the port's pixels without owning them.
  MemHandle frameMap = newPixelMap(frame.depth, origin, colorTable, false);
  if (frameMap == nullptr) {
    disposeOffscreenPort(port);
    return QX_ERR_BUFFERS;
  }
  PixelMap* map = pixelMapOf(frameMap);
  map->baseAddr = portMap->baseAddr;
  map->rowBytes = portMap->rowBytes;

  frame.mainPort = port;
  frame.framePixelMap = frameMap;
  frame.bounds = origin;
  frame.baseAddr = portMap->baseAddr;
  frame.rowBytes = rowBytesOf(*portMap);
  int32_t status = makeFrameCompanions(frame, colorTable);
  if (status != QX_OK) releaseFrameBuffers(frame);
  return status;
}

void releaseFrameBuffers(FrameBuffer& frame) {
  disposeOffscreenPort(frame.mainPort);
  frame.mainPort = nullptr;
  freeWorkBuffer(frame);
  freeAlphaMask(frame);
  engineFree(frame.colorEntries);
  frame.colorEntries = nullptr;
  disposePixelMap(frame.framePixelMap);
  frame.framePixelMap = nullptr;
  frame.baseAddr = nullptr;
  frame.rowBytes = 0;
}

void moveFrame(FrameBuffer& frame, void* baseAddr, int32_t rowBytes) {
  frame.baseAddr = baseAddr;
  frame.rowBytes = rowBytes;
  if (PixelMap* map = pixelMapOf(frame.framePixelMap)) {
    map->baseAddr = baseAddr;
    map->rowBytes = static_cast<uint16_t>(rowBytes & 0x7FFF);
  }
}

}  // namespace quorix::render
