#include "render/buffer_descriptor.h"

#include "common/color_table.h"
#include "render/frame_buffer.h"

namespace quorix::render {

BufferDesc emptyBufferDesc() {
  BufferDesc desc{};
  desc.bitsPerPixel = 8;
  return desc;
}

BufferDesc makeBufferDesc(void* base, int width, int height, uint32_t depth) {
  BufferDesc desc{};
  desc.baseAddr = base;
  desc.bitsPerPixel = depth;
  desc.bounds = Rect16{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
  int bytesPerPixel = depth == 16 ? 2 : depth == 32 ? 4 : 1;
  desc.rowBytes = width * bytesPerPixel;
  return desc;
}

BufferDesc bufferDescFromPixelMap(MemHandle map) {
  const PixelMap* record = pixelMapOf(map);
  if (record == nullptr) return emptyBufferDesc();
  BufferDesc desc{};
  desc.baseAddr = record->baseAddr;
  desc.bitsPerPixel = record->pixelSize;
  desc.bounds = record->bounds;
  desc.rowBytes = rowBytesOf(*record);
  if (colorTableCount(record->colorTable) >= 256) {
    desc.colorEntries = colorTableEntries(record->colorTable);
  }
  desc.layoutCode = currentFrameBuffer().layoutCode;
  return desc;
}

BufferDesc bufferDescFromPort(const OffscreenPort* port) {
  return port != nullptr ? bufferDescFromPixelMap(port->pixMap) : emptyBufferDesc();
}

}  // namespace quorix::render
