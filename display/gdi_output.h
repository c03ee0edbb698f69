// Windowed output: the frame composed in an offscreen PixelMap reaches a window with one
// stretching copy of a device-independent bitmap per frame. A frame of half the window's size
// is simply stretched to it (each pixel shown twice across and down).
//
// [render thread]
#pragma once

#include <cstdint>
#include <memory>

#include "display/drawing_port.h"
#include "render/frame_buffer.h"

namespace quorix::display {

using DibHeader = std::unique_ptr<uint8_t, void (*)(void*)>;

// The bitmap header of a PixelMap followed by its colour part (256 colours of its table at
// 8 bits, the three masks of `layoutCode` at 16), in one engine block: as wide as the map's
// whole row, top-down. Null (nothing allocated) for a null map or when memory runs out.
DibHeader dibHeaderOfMap(MemHandle map, uint32_t layoutCode);

// Copies `sourceRect` of a map into `destinationRect` of a context, stretching colour on
// colour. False when the copy failed (it is only noted; the next frame tries again).
bool drawMapToDC(MemHandle map, uint32_t layoutCode, platform::DeviceContext* dc,
                 const Rect16& sourceRect, const Rect16& destinationRect);

// Shows the whole frame: mode 1 into a context, any other mode into the current port (copy
// bits).
enum : int32_t { kShowIntoContext = 1 };
void showFrame(const render::FrameBuffer& frame, platform::DeviceContext* dc,
               const Rect16& destinationRect, int32_t mode);

// Pixel copies between a map and another map or the current window port, the other's pixel
// size converted. The mode and mask are accepted and not read. Nothing for other pairs.
void copyBitsToMap(MemHandle source, MemHandle destination, const Rect16& sourceRect,
                   const Rect16& destinationRect, int32_t mode, const void* mask);
void copyBitsToWindow(MemHandle source, const Rect16& sourceRect, const Rect16& destinationRect,
                      int32_t mode, const void* mask);

// A 32 x 32 thumbnail of a picture's map in the default 8-bit table, rows top first; white
// (index 0) without a picture. False when the thumbnail port cannot be made.
bool pictureThumbnail(uint8_t out[1024], MemHandle picture);

}  // namespace quorix::display
