/* The plug-in call protocol: one entry point, one call block.
 *
 * A plug-in is a shared library exporting one entry point, "main" (the loader also looks for
 * "_main@4" first). The engine fills a PluginCallBlock with a selector and an argument, calls
 * the entry with the block's address and reads the result back from the block. Every call is
 * made on the engine's render thread; no call is re-entrant. The entry's return value is
 * ignored (return 0). */
#ifndef QUORIX_PLUGIN_SDK_CALL_BLOCK_H
#define QUORIX_PLUGIN_SDK_CALL_BLOCK_H

#include "plugin_sdk/quorix_types.h"

struct HostEnvironment;

typedef struct PluginCallBlock {
  /* [plug-in] The plug-in's instance: set on open (1), read on close (2) and process (4). */
  void* state;
  /* [engine] The selector's argument: a value or an address, valid only during the call. */
  intptr_t argument;
  /* [engine] The operation, one of QX_SELECTOR_*. */
  int32_t selector;
  /* [engine] The engine's HostEnvironment; set once when the block is made. */
  struct HostEnvironment* environment;
  /* [plug-in] The selector's result; the engine sets it to 0 before every call. */
  intptr_t result;
  /* [engine] Index of the Synth being played; set before open. */
  int32_t document;
  /* [engine] 0-based index, within its media list, of the medium of the key that started the
   * effect; set before open. */
  int32_t mediaIndex;
  /* [engine] Kind of that medium, QX_MEDIA_*; set before open. An effect re-reads a movie's
   * pixels every frame. */
  int32_t mediaKind;
} PluginCallBlock;

QX_STATIC_ASSERT(offsetof(PluginCallBlock, state) == 0, "PluginCallBlock.state");
QX_STATIC_ASSERT(offsetof(PluginCallBlock, argument) == QX_LAYOUT(4, 8), "PluginCallBlock.argument");
QX_STATIC_ASSERT(offsetof(PluginCallBlock, selector) == QX_LAYOUT(8, 16), "PluginCallBlock.selector");
QX_STATIC_ASSERT(offsetof(PluginCallBlock, environment) == QX_LAYOUT(12, 24), "PluginCallBlock.environment");
QX_STATIC_ASSERT(offsetof(PluginCallBlock, result) == QX_LAYOUT(16, 32), "PluginCallBlock.result");
QX_STATIC_ASSERT(offsetof(PluginCallBlock, document) == QX_LAYOUT(20, 40), "PluginCallBlock.document");
QX_STATIC_ASSERT(offsetof(PluginCallBlock, mediaIndex) == QX_LAYOUT(24, 44), "PluginCallBlock.mediaIndex");
QX_STATIC_ASSERT(offsetof(PluginCallBlock, mediaKind) == QX_LAYOUT(28, 48), "PluginCallBlock.mediaKind");
QX_STATIC_ASSERT(sizeof(PluginCallBlock) == QX_LAYOUT(32, 56), "PluginCallBlock size");

/* The entry point's type. */
typedef int32_t (*PluginEntry)(PluginCallBlock* block);

/* Declares a plug-in's entry point under the exported name "main":
 *   QX_PLUGIN_ENTRY(PluginMain);
 *   int32_t PluginMain(PluginCallBlock* block) { ...; return 0; } */
#define QX_PLUGIN_ENTRY(function) \
  QX_EXTERN_C QX_EXPORT int32_t function(PluginCallBlock* block) __asm__("main")

/* The names the loader looks up, in this order. */
#define QX_ENTRY_NAME_DECORATED "_main@4"
#define QX_ENTRY_NAME "main"

/* Selectors: effects, services and the engine's side of each is described at the constant. */
enum {
  QX_SELECTOR_OPEN = 1,          /* effect: argument = copy of the key's 64-byte settings block */
  QX_SELECTOR_CLOSE = 2,         /* effect: release the instance, state = null */
  QX_SELECTOR_SETUP = 3,         /* effect: argument = settings block; result 1 = confirmed */
  QX_SELECTOR_PROCESS = 4,       /* effect: draw one frame; nothing when state is null */
  QX_SELECTOR_IDENTIFY = 5,      /* all: result = type FourCC ('SERV', 'FI/O' or the effect's) */
  QX_SELECTOR_SERVICE_ID = 7,    /* service: result = service FourCC */
  QX_SELECTOR_START_SERVICE = 8, /* service: result 0 = started */
  QX_SELECTOR_STOP_SERVICE = 9,  /* service: result 0 */
  QX_SELECTOR_SERVICE_TABLE = 10,/* service: result = address of the static service table */
  QX_SELECTOR_PRELOAD = 11,      /* effect: 0 at bank load, else the settings block */
  QX_SELECTOR_UNLOAD = 12,       /* effect: argument 0 */

  /* File importers ('FI/O'), called through the call block at the start of the HostToolbox. */
  QX_SELECTOR_IMPORT_DRAW = 256,        /* argument: { picture handle, Rect16, destination } */
  QX_SELECTOR_IMPORT_OPEN = 257,        /* argument: file path; result: picture handle or null */
  QX_SELECTOR_IMPORT_BOUNDS = 258,      /* argument: { picture handle, Rect16 out } */
  QX_SELECTOR_IMPORT_ACCEPTS = 260,     /* argument: { FourCC }; result: type or 0 */
  QX_SELECTOR_IMPORT_TYPE = 261,        /* result: the picture type FourCC produced */
  QX_SELECTOR_IMPORT_ADD_FILTER = 262   /* the importer adds its Open dialog filter */
};

/* The argument blocks of the file importer selectors. The engine owns them; they are valid
 * during the call only. `picture` is the handle that the importer's open selector returned. */
typedef struct ImporterDrawArgs {       /* QX_SELECTOR_IMPORT_DRAW */
  MemHandle picture;
  Rect16 frame;                         /* where to draw, in the destination's coordinates */
  struct QxOffscreenPort* destination;  /* the picture's buffer, an offscreen port */
} ImporterDrawArgs;

typedef struct ImporterBoundsArgs {     /* QX_SELECTOR_IMPORT_BOUNDS */
  MemHandle picture;
  Rect16 bounds;                        /* zeroed by the engine, filled by the importer */
} ImporterBoundsArgs;

typedef struct ImporterTypeArgs {       /* QX_SELECTOR_IMPORT_ACCEPTS */
  FourCC type;                          /* a file type, e.g. 'PCT ' */
} ImporterTypeArgs;

QX_STATIC_ASSERT(offsetof(ImporterDrawArgs, frame) == QX_LAYOUT(4, 8), "ImporterDrawArgs.frame");
QX_STATIC_ASSERT(offsetof(ImporterDrawArgs, destination) == QX_LAYOUT(12, 16), "ImporterDrawArgs.destination");
QX_STATIC_ASSERT(offsetof(ImporterBoundsArgs, bounds) == QX_LAYOUT(4, 8), "ImporterBoundsArgs.bounds");

/* Kinds of the medium attached to a key (PluginCallBlock.mediaKind). */
enum {
  QX_MEDIA_NONE = 0,
  QX_MEDIA_PICTURE = 1,
  QX_MEDIA_MOVIE = 2,
  QX_MEDIA_OBJECT = 3, /* a 3D object */
  QX_MEDIA_FOURTH = 4
};

/* Plug-in type codes answered to QX_SELECTOR_IDENTIFY, and the engine's own. */
#define QX_TYPE_SERVICE QX_FOURCC('S', 'E', 'R', 'V')
#define QX_TYPE_IMPORTER QX_FOURCC('F', 'I', '/', 'O')
#define QX_TYPE_INTERNAL QX_FOURCC('I', 'N', 'T', 'L')

#endif
