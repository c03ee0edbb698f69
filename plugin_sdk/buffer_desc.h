/* BufferDesc: the description of a pixel buffer that the blitter, the drawing primitives and
 * every plug-in take. 44 bytes on a 32-bit build. */
#ifndef QUORIX_PLUGIN_SDK_BUFFER_DESC_H
#define QUORIX_PLUGIN_SDK_BUFFER_DESC_H

#include "plugin_sdk/quorix_types.h"

/* 16-bit and 32-bit pixel layouts, as kept in BufferDesc.layoutCode and by the engine. */
enum {
  QX_LAYOUT_8BIT = 0,  /* 8-bit display: indexes into the current colour table */
  QX_LAYOUT_555 = 1,   /* 16-bit: bits 14-10 red, 9-5 green, 4-0 blue, bit 15 zero */
  QX_LAYOUT_565 = 2,   /* 16-bit: bits 15-11 red, 10-5 green, 4-0 blue */
  QX_LAYOUT_32BIT = 3  /* 32-bit: bytes blue, green, red, unused */
};

typedef struct BufferDesc {
  /* The pixel at (x, y), in the coordinates of bounds, lies at
   * baseAddr + (y - bounds.top) * rowBytes + (x - bounds.left) * bytes per pixel (engine
   * buffers have top = left = 0). Null for an empty descriptor. Owned as ownsPixels says. */
  void* baseAddr;
  /* 8, 16 or 32. */
  uint32_t bitsPerPixel;
  /* The buffer's rectangle; engine buffers have top = left = 0. */
  Rect16 bounds;
  /* Distance in bytes from one row to the next; may exceed width * bytes per pixel, and is
   * negative for a bottom-up buffer whose base points at its last row. */
  int32_t rowBytes;
  /* 1 when the pixels were allocated together with this record and are freed with it. */
  uint32_t ownsPixels;
  /* First of the 256 entries of the buffer's colour table, or null. Not owned. */
  ColorEntry* colorEntries;
  /* QX_LAYOUT_* current when the record was made; says how 16-bit pixels are packed. */
  uint32_t layoutCode;
  uint32_t reserved[3]; /* zero */
} BufferDesc;

QX_STATIC_ASSERT(offsetof(BufferDesc, baseAddr) == 0, "BufferDesc.baseAddr");
QX_STATIC_ASSERT(offsetof(BufferDesc, bitsPerPixel) == QX_LAYOUT(4, 8), "BufferDesc.bitsPerPixel");
QX_STATIC_ASSERT(offsetof(BufferDesc, bounds) == QX_LAYOUT(8, 12), "BufferDesc.bounds");
QX_STATIC_ASSERT(offsetof(BufferDesc, rowBytes) == QX_LAYOUT(16, 20), "BufferDesc.rowBytes");
QX_STATIC_ASSERT(offsetof(BufferDesc, ownsPixels) == QX_LAYOUT(20, 24), "BufferDesc.ownsPixels");
QX_STATIC_ASSERT(offsetof(BufferDesc, colorEntries) == QX_LAYOUT(24, 32), "BufferDesc.colorEntries");
QX_STATIC_ASSERT(offsetof(BufferDesc, layoutCode) == QX_LAYOUT(28, 40), "BufferDesc.layoutCode");
QX_STATIC_ASSERT(offsetof(BufferDesc, reserved) == QX_LAYOUT(32, 44), "BufferDesc.reserved");
QX_STATIC_ASSERT(sizeof(BufferDesc) == QX_LAYOUT(44, 56), "BufferDesc size");

#endif
