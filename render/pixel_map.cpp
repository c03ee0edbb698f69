#include "render/pixel_map.h"

#include <new>

#include "common/memory.h"
#include "plugin_sdk/status_codes.h"

namespace quorix::render {

PixelMap* pixelMapOf(MemHandle map) {
  if (map == nullptr || map->data == nullptr || map->size < sizeof(PixelMap)) return nullptr;
  return static_cast<PixelMap*>(map->data);
}

int32_t pixelMapRowBytes(int width, uint32_t depth) {
  int64_t bytes = static_cast<int64_t>(width) * depth / 8;
  return static_cast<int32_t>((bytes + 7) & ~int64_t{7});
}

MemHandle newPixelMap(uint32_t depth, const Rect16& bounds, MemHandle colorTable,
                      bool allocatePixels) {
  int width = bounds.right - bounds.left;
  int height = bounds.bottom - bounds.top;
  int32_t rowBytes = pixelMapRowBytes(width, depth);
  if ((depth != 8 && depth != 16 && depth != 32) || width < 0 || height < 0 ||
      rowBytes > 0x7FFF) {
    setMemoryError(QX_ERR_MEMORY);
    return nullptr;
  }
  MemHandle handle = newHandle(sizeof(PixelMap));
  if (handle == nullptr) return nullptr;
  auto* map = new (handle->data) PixelMap;
  map->rowBytes = static_cast<uint16_t>(rowBytes);
  map->bounds = bounds;
  map->pixelSize = static_cast<uint16_t>(depth);
  if (colorTable != nullptr) {
    map->colorTable = newHandleCopy(colorTable->data, colorTable->size);
    if (map->colorTable == nullptr) {
      disposePixelMap(handle);
      return nullptr;
    }
  }
  if (allocatePixels) {
    map->baseAddr = engineAllocate(static_cast<size_t>(height) * static_cast<size_t>(rowBytes));
    if (map->baseAddr == nullptr) {
      disposePixelMap(handle);
      return nullptr;
    }
    map->ownsPixels = 1;
  }
  setMemoryError(QX_OK);
  return handle;
}

void disposePixelMap(MemHandle map) {
  PixelMap* record = pixelMapOf(map);
  if (record != nullptr) {
    if (record->ownsPixels != 0) engineFree(record->baseAddr);
    disposeHandle(record->colorTable);
  }
  disposeHandle(map);
}

void* pixelMapBaseAddress(MemHandle map) {
  PixelMap* record = pixelMapOf(map);
  return record != nullptr ? record->baseAddr : nullptr;
}

}  // namespace quorix::render
