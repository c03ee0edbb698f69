// Layer compositing: the two rectangle blitters through which every layer reaches the frame.
//
// CopyBlit works on BufferDesc records and is handed to plug-ins (HostEnvironment, host
// procedure 1); PortCopyBits works on PixelMap handles and serves the engine's own layers.
// Both read the current FrameBuffer (frame_buffer.h): the depth, layout, BlendLevel, level
// step and ceiling, transparency tables, WorkBuffer and AlphaMask.
//
// Modes (bits 0-23 of the mode word; bits 24-31 are ignored), QX_BLIT_* of the SDK:
//   1 copy, 2 key copy, 3 save the destination into the WorkBuffer then mix as 4,
//   4 mix with the WorkBuffer, 5 level mix with the WorkBuffer, 6 mix weighted by the
//   AlphaMask. Rectangles of different sizes are scaled (nearest neighbour).
//
// Nothing is drawn — and the call returns normally — for null records or bases, a destination
// rectangle that shares no pixel with the destination's bounds, depths that differ from the
// frame's, row bytes beyond 0x7FFF, unknown modes and blends below the first level. Only
// pixels inside each buffer's bounds (the WorkBuffer's and AlphaMask's included) are read or
// written. [render thread]
#pragma once

#include <cstdint>

#include "plugin_sdk/host_environment.h"

namespace quorix::render {

// Copies `sourceRect` of `source` into `destinationRect` of `destination` by `mode`. When
// the rectangles have the same size, *destinationRect is clipped in place to the pixels drawn.
void CopyBlit(const BufferDesc* source, const BufferDesc* destination, Rect16* sourceRect,
              Rect16* destinationRect, uint32_t mode) noexcept;

// The same for two variables each holding a PixelMap handle (an offscreen port's map or the
// engine's WorkBuffer handle); modes 1 to 4 only. Mode 1 between maps of different pixel
// sizes converts colours: 8-bit through the map's colour table (else the frame's colour
// copy), 16-bit by the frame's layout. The mask argument is not read.
void PortCopyBits(const MemHandle* source, const MemHandle* destination, const Rect16* sourceRect,
                  Rect16* destinationRect, uint32_t mode, const void* mask) noexcept;

}  // namespace quorix::render
