// Copies between buffers of different pixel formats, converting each pixel's colour:
// "Copy 16-bit to 32-bit" (the frame into a 32-bit host buffer, picture reduction) and
// PortCopyBits between maps of different pixel sizes. Nearest-neighbour scaling as in
// blit_plan.h; only pixels inside both buffers are read or written.
#pragma once

#include <cstdint>

#include "plugin_sdk/buffer_desc.h"

namespace quorix::render {

// One side of a converting copy: the buffer and how to read or write its colours.
struct PixelFormatSide {
  const BufferDesc* buffer = nullptr;
  uint32_t layoutCode = 0;               // 16-bit layout (5-6-5 exactly for code 2)
  const ColorEntry* entries = nullptr;   // 8-bit colour table
  int entryCount = 0;
};

// Copies sourceRect of one buffer into destinationRect of another, each pixel converted
// through its colour: 8-bit through the entries (the nearest entry when writing), 16-bit by
// the layout, 32-bit as blue, green, red bytes with the fourth byte 0.
void convertingCopy(const PixelFormatSide& source, const PixelFormatSide& destination,
                    const Rect16& sourceRect, const Rect16& destinationRect);

// A 16-bit source (its own layout code) into a 32-bit destination; nothing for other depths,
// null bases or an empty destination rectangle. Either buffer may be bottom-up.
void copy16To32(const BufferDesc& source, const BufferDesc& destination, const Rect16& sourceRect,
                const Rect16& destinationRect);

}  // namespace quorix::render
