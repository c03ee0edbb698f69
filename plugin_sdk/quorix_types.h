/* Basic types shared by the engine and every plug-in.
 *
 * Everything in plugin_sdk/ crosses the boundary between the engine and plug-in libraries as raw
 * memory. The records are plain C structs with their fields in a fixed order; on a 32-bit build
 * every offset is the historical one, and on a 64-bit build addresses widen to 8 bytes and the
 * fields after them move accordingly. Each header asserts both layouts. */
#ifndef QUORIX_PLUGIN_SDK_TYPES_H
#define QUORIX_PLUGIN_SDK_TYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define QX_EXTERN_C extern "C"
#define QX_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define QX_EXTERN_C
#define QX_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* Marks a symbol that a plug-in (or the engine) exports on purpose. Plug-ins are built with
 * hidden visibility, so only symbols carrying this mark are visible to the loader. */
#define QX_EXPORT __attribute__((visibility("default")))

#if UINTPTR_MAX == 0xFFFFFFFFu
#define QX_POINTER_BITS 32
#else
#define QX_POINTER_BITS 64
#endif

/* Picks the expected figure for the build's pointer width in layout assertions. */
#if QX_POINTER_BITS == 32
#define QX_LAYOUT(bits32, bits64) (bits32)
#else
#define QX_LAYOUT(bits32, bits64) (bits64)
#endif

/* A four-character code: the four characters in big-endian order in a native 32-bit integer,
 * so 'SERV' is 0x53455256. Stored documents keep FourCCs big-endian; readers swap them. */
typedef uint32_t FourCC;

#define QX_FOURCC(a, b, c, d)                                                              \
  ((FourCC)(((uint32_t)(uint8_t)(a) << 24) | ((uint32_t)(uint8_t)(b) << 16) |             \
            ((uint32_t)(uint8_t)(c) << 8) | (uint32_t)(uint8_t)(d)))

/* The four characters of a code, first character first, into out[0..3]; out[4] = 0. */
static inline void qxFourCCText(FourCC code, char out[5]) {
  out[0] = (char)(code >> 24);
  out[1] = (char)(code >> 16);
  out[2] = (char)(code >> 8);
  out[3] = (char)code;
  out[4] = 0;
}

/* A rectangle of four signed 16-bit edges. Bottom and right are exclusive:
 * width = right - left, height = bottom - top. */
typedef struct Rect16 {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
} Rect16;

QX_STATIC_ASSERT(sizeof(Rect16) == 8, "Rect16 is 8 bytes");

/* One entry of a colour table: an index value and three 16-bit components. Where an 8-bit
 * component is needed (palettes, DIB colour tables) it is the component's high byte. */
typedef struct ColorEntry {
  uint16_t value;
  uint16_t red;
  uint16_t green;
  uint16_t blue;
} ColorEntry;

QX_STATIC_ASSERT(sizeof(ColorEntry) == 8, "ColorEntry is 8 bytes");

/* The engine's relocatable block: a record of the data address and the size in bytes. A
 * handle is the address of this record; the data is reached through its first field. Blocks
 * made by the engine never move, so the data address stays valid until the handle is freed. */
typedef struct MemHandleRecord {
  void* data;    /* the block, or null */
  uint32_t size; /* size of the block in bytes */
} MemHandleRecord;

typedef MemHandleRecord* MemHandle;

QX_STATIC_ASSERT(offsetof(MemHandleRecord, size) == QX_LAYOUT(4, 8), "MemHandle size field");
QX_STATIC_ASSERT(sizeof(MemHandleRecord) == QX_LAYOUT(8, 16), "MemHandle record size");

/* Opaque engine objects that plug-ins hold and hand back, never look into. */
typedef struct QxOffscreenPort* PortRef;  /* a drawing port (offscreen port or window port) */
typedef struct QxFileObject* FileRef;     /* a file object of the toolbox file slots */
typedef struct QxDialog* DialogRef;       /* a dialog made from a dialog resource */
typedef struct QxControl* ControlRef;     /* a control: button, check box, scroll bar, ... */
typedef struct QxPopup* PopupRef;         /* a popup-menu item built on a control */
typedef struct QxWindow* WindowRef;       /* an engine window */

/* A function reached through a table whose type the caller knows from the table's contract. */
typedef void (*QxProc)(void);

#endif
