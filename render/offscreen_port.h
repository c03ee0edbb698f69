// OffscreenPort: a drawing port that owns a PixelMap with pixels. Plug-ins and the toolbox
// hold ports as PortRef (plugin_sdk/quorix_types.h) and never look inside.
#pragma once

#include <cstdint>

#include "render/pixel_format.h"
#include "render/pixel_map.h"

// The port record, named as the SDK's opaque PortRef names it so that a port converts to a
// PortRef without casts.
struct QxOffscreenPort {
  uint16_t reserved0 = 0;
  MemHandle pixMap = nullptr;  // the port's PixelMap; owned
  uint16_t portKind = 4;       // 4 for every offscreen port; only kind 4 gets a device context
  uint8_t reserved1[8] = {};
  Rect16 portRect{};
  uint8_t reserved2[12] = {};
  quorix::render::RgbColor foreColor;  // copied from the current drawing colours when made
  quorix::render::RgbColor backColor;
  int16_t penH = 0, penV = 0;          // pen location
  int16_t penWidth = 1, penHeight = 1; // pen size
  // Filled once the display layer makes a device context for the port: the pixel address of
  // its DIB section and the context itself. Null until then.
  void* dibPixels = nullptr;
  void* deviceContext = nullptr;
};

namespace quorix::render {

using OffscreenPort = QxOffscreenPort;

// The engine's current drawing colours, which new ports copy. Black on white at start.
struct DrawingColors {
  RgbColor fore{0, 0, 0};
  RgbColor back{0xFFFF, 0xFFFF, 0xFFFF};
};
DrawingColors& currentDrawingColors();

// Makes a port of `depth` over `bounds` with a PixelMap that owns its pixels and a copy of
// `colorTable`. Always returns 0; *port is the new port, or null with memory error -108. The
// flags are accepted and ignored.
int32_t newOffscreenPort(OffscreenPort** port, uint32_t depth, const Rect16& bounds,
                         MemHandle colorTable, uint32_t flags);

// Frees the port's PixelMap (pixels and colour table included) and the port. Null is ignored.
void disposeOffscreenPort(OffscreenPort* port);

// The port's PixelMap handle; null for a null port.
MemHandle portPixelMap(const OffscreenPort* port);

// Pixels of offscreen maps never move: locking always succeeds.
inline bool lockPixels(MemHandle) { return true; }

}  // namespace quorix::render
