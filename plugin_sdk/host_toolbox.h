/* HostToolbox: the engine's toolbox record for plug-ins.
 *
 * GetHostProc(QX_HOST_PROC_TOOLBOX) returns a function that returns this record's address. It
 * starts with the call block the engine uses for every file importer call, so importers find
 * the slots right behind the block they are handed. One record, built when the engine library
 * loads; its slots never change. Call the slots only from inside an engine call, on the render
 * thread. Objects made through the slots belong to the plug-in that made them, which frees them
 * through the matching slot. Offsets in comments are the 32-bit ones. */
#ifndef QUORIX_PLUGIN_SDK_HOST_TOOLBOX_H
#define QUORIX_PLUGIN_SDK_HOST_TOOLBOX_H

#include "plugin_sdk/call_block.h"
#include "plugin_sdk/buffer_desc.h"

typedef struct HostToolbox {
  PluginCallBlock importerBlock; /* 0: the call block of every file importer call */
  uint32_t reserved[4];          /* 32: zero */

  /* Memory. The engine-wide memory error word is 0 after a successful allocation and -108
   * after a failed one. */
  void* (*newPtr)(int32_t size);                          /* 48: block or null (-108) */
  void (*disposePtr)(void* block);                        /* 52 */
  MemHandle (*newHandle)(int32_t size);                   /* 56: handle or null (-108) */
  void (*disposeHandle)(MemHandle handle);                /* 60: null is ignored */
  void* (*setHandleSize)(MemHandle handle, int32_t size); /* 64: new data address or null */
  void (*lockHandle)(MemHandle handle);                   /* 68: nothing: blocks never move */
  void (*unlockHandle)(MemHandle handle);                 /* 72: nothing */
  void (*moveHandleHigh)(MemHandle handle);               /* 76: nothing */
  int32_t (*memoryError)(void);                           /* 80: the memory error word */
  void (*compactMemory)(void);                            /* 84: allocates and frees 20 x 1 KiB */
  int32_t (*handleSize)(MemHandle handle);                /* 88: size in bytes */
  int32_t (*memoryReady)(void);                           /* 92: always 1 */
  int32_t (*freeMemory)(void);                            /* 96: available bytes, 0..0x7FFFFFFF */
  MemHandle (*duplicateHandle)(MemHandle handle);         /* 100: a copy, or null */
  int32_t (*maxMemory)(void);                             /* 104: same as freeMemory */

  /* Ports and pixels. */
  int32_t (*describePort)(PortRef port, BufferDesc* out); /* 108: -> 1 */
  int32_t (*sameColors)(const ColorEntry* a, const ColorEntry* b, int32_t count); /* 112 */
  void (*setPort)(PortRef port);                          /* 116 */
  void (*getPort)(PortRef* port);                         /* 120 */
  int32_t (*newOffscreenPort)(PortRef* port, int32_t depth, const Rect16* bounds,
                              MemHandle colorTable, void* device, uint32_t flags); /* 124: 0 */
  int32_t (*lockPixels)(MemHandle pixelMap);              /* 128: always 1 */
  /* Copies pixels between pixel maps, converting pixel sizes. Each map is given by the address
   * of a variable holding its handle (a picture's or movie frame's); a null address or a null
   * handle stands for the current port's map (the source) or the current port itself (the
   * destination, which may be a window port). The mode and mask are not read. */
  void (*copyBits)(MemHandle* sourceMap, MemHandle* destinationMap, const Rect16* sourceRect,
                   const Rect16* destinationRect, int32_t mode, MemHandle mask); /* 132 */
  void (*disposeOffscreenPort)(PortRef port);             /* 136: null is ignored */

  /* Files: `specification` holds a zero-terminated path at byte 10. */
  FileRef (*openFile)(const void* specification, int32_t keepExisting, int32_t writable); /* 140 */
  void (*closeFile)(FileRef file);                        /* 144 */
  int32_t (*fileSize)(FileRef file);                      /* 148 */
  int32_t (*readFile)(FileRef file, void* buffer, int32_t count); /* 152: 0 or -4 */
  int32_t (*isFileOpen)(FileRef file);                    /* 156 */
  void (*addFileFilter)(const char* descriptionThenPattern); /* 160 */

  /* Dialogs, items and controls. Items are numbered from 1; item texts hold at most 255
   * characters. A DialogRef is also the dialog's window port (setPort) and may be handed where a
   * WindowRef is asked for. */
  int32_t (*getItemValue)(DialogRef dialog, int32_t item, int32_t* value);     /* 164 */
  void (*setItemValue)(DialogRef dialog, int32_t item, int32_t value);         /* 168 */
  void (*setItemText)(DialogRef dialog, int32_t item, const char* text, int32_t form); /* 172 */
  void (*getItemText)(DialogRef dialog, int32_t item, char* buffer, int32_t form);     /* 176 */
  void (*disableItem)(DialogRef dialog, int32_t item);                         /* 180 */
  void (*enableItem)(DialogRef dialog, int32_t item);                          /* 184 */
  void (*setItemInteger)(DialogRef dialog, int32_t item, int32_t value);       /* 188 */
  int32_t (*getItemInteger)(DialogRef dialog, int32_t item, int32_t* value);   /* 192 */
  void (*setItemFloat)(DialogRef dialog, int32_t item, float value);           /* 196 */
  double (*getItemFloat)(DialogRef dialog, int32_t item);                      /* 200 */
  DialogRef (*newDialog)(int32_t resourceId, void* storage, void* behind);     /* 204 */
  void (*disposeDialog)(DialogRef dialog);                                     /* 208 */
  intptr_t (*identity)(intptr_t value);                                        /* 212 */
  /* Runs the dialog that is the current port until an item is hit; 2 (Cancel) when no dialog
   * is current. The filter is not called. */
  void (*modalDialog)(void* filter, int16_t* itemHit);                         /* 216 */
  void (*showDialog)(DialogRef dialog);                                        /* 220 */
  ControlRef (*newControl)(WindowRef window, const Rect16* bounds, const char* title,
                           int32_t visible, int32_t value, int32_t minimum, int32_t maximum,
                           int32_t kind, intptr_t reference);                  /* 224 */
  void (*disposeControls)(WindowRef window);                                   /* 228 */
  void (*setControlMaximum)(ControlRef control, int32_t maximum);              /* 232 */
  void (*setControlValue)(ControlRef control, int32_t value);                  /* 236 */
  int32_t (*getControlValue)(ControlRef control);                              /* 240 */
  /* A popup menu on `window`: `entries` holds the entry names separated by ';'; `selection`
   * counts from 1. The last word is reserved (0). */
  PopupRef (*newPopup)(WindowRef window, const Rect16* bounds, const char* entries,
                       int32_t selection, int32_t visible, intptr_t reference,
                       intptr_t reserved);                                     /* 244 */
  void (*disposePopup)(PopupRef popup);                                        /* 248 */
  int32_t (*getPopupSelection)(PopupRef popup);                                /* 252 */
  void (*setPopupSelection)(PopupRef popup, int32_t entry);                    /* 256 */
  ControlRef (*getItemControl)(DialogRef dialog, int32_t item);                /* 260 */

  /* Plug-in data blocks of a Synth. */
  int32_t (*addBlob)(int32_t synth, MemHandle data, FourCC tag);               /* 264: new id */
  int32_t (*replaceBlob)(int32_t synth, int32_t id, MemHandle data);           /* 268: 0 */
  MemHandle (*findBlob)(int32_t synth, int32_t id);                            /* 272 */
  int32_t (*alwaysMinusOne)(void);                                             /* 276: -1 */
} HostToolbox;

#define QX_TOOLBOX_SLOT_COUNT 58

QX_STATIC_ASSERT(offsetof(HostToolbox, reserved) == QX_LAYOUT(32, 56), "HostToolbox.reserved");
QX_STATIC_ASSERT(offsetof(HostToolbox, newPtr) == QX_LAYOUT(48, 72), "first toolbox slot");
QX_STATIC_ASSERT(offsetof(HostToolbox, addFileFilter) == QX_LAYOUT(160, 296), "toolbox slot 160");
QX_STATIC_ASSERT(offsetof(HostToolbox, newControl) == QX_LAYOUT(224, 424), "toolbox slot 224");
QX_STATIC_ASSERT(offsetof(HostToolbox, alwaysMinusOne) == QX_LAYOUT(276, 528), "last toolbox slot");
QX_STATIC_ASSERT(sizeof(HostToolbox) == QX_LAYOUT(280, 536), "HostToolbox size");

#endif
