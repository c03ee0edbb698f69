// The ways to make a BufferDesc (plugin_sdk/buffer_desc.h), the description of a pixel buffer
// that the blitter, the drawing primitives and every plug-in take.
#pragma once

#include <cstdint>

#include "plugin_sdk/buffer_desc.h"
#include "render/offscreen_port.h"

namespace quorix::render {

// All fields 0, depth 8.
BufferDesc emptyBufferDesc();

// Bounds (0, 0, height, width); row bytes width x bytes per pixel for 8, 16 and 32 (width for
// other depths); the remaining fields 0.
BufferDesc makeBufferDesc(void* base, int width, int height, uint32_t depth);

// Base, row bytes (without the flag bit), bounds and pixel size of the map; the entries of
// its colour table when it holds at least 256 of them, else null; the engine's current
// layout code; owns 0. Empty for a null map.
BufferDesc bufferDescFromPixelMap(MemHandle map);

// As from the port's PixelMap; empty for a null port.
BufferDesc bufferDescFromPort(const OffscreenPort* port);

}  // namespace quorix::render
