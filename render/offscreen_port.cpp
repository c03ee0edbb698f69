#include "render/offscreen_port.h"

#include <new>

#include "common/memory.h"

namespace quorix::render {

DrawingColors& currentDrawingColors() {
  static DrawingColors colors;
  return colors;
}

int32_t newOffscreenPort(OffscreenPort** port, uint32_t depth, const Rect16& bounds,
                         MemHandle colorTable, uint32_t /*flags*/) {
  *port = nullptr;
  MemHandle map = newPixelMap(depth, bounds, colorTable, true);
  if (map == nullptr) return 0;
  void* block = engineAllocate(sizeof(OffscreenPort));
  if (block == nullptr) {
    disposePixelMap(map);
    return 0;
  }
  auto* made = new (block) OffscreenPort;
  made->pixMap = map;
  made->portRect = bounds;
  made->foreColor = currentDrawingColors().fore;
  made->backColor = currentDrawingColors().back;
  *port = made;
  return 0;
}

void disposeOffscreenPort(OffscreenPort* port) {
  if (port == nullptr) return;
  disposePixelMap(port->pixMap);
  engineFree(port);
}

MemHandle portPixelMap(const OffscreenPort* port) {
  return port != nullptr ? port->pixMap : nullptr;
}

}  // namespace quorix::render
