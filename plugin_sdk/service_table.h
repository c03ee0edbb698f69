/* Service tables: the static records that service plug-ins ('SERV') publish.
 *
 * A service answers QX_SELECTOR_SERVICE_TABLE with the address of a table that starts with
 * ServiceTableHeader; its functions follow in the service's own order. On a 32-bit build the
 * functions sit at offsets 20, 24, 28, ...; tables keep the address for as long as the
 * service's library is loaded. Services are called on the engine's render thread. */
#ifndef QUORIX_PLUGIN_SDK_SERVICE_TABLE_H
#define QUORIX_PLUGIN_SDK_SERVICE_TABLE_H

#include "plugin_sdk/call_block.h"
#include "plugin_sdk/buffer_desc.h"

#define QX_SERVICE_TABLE_VERSION 0x00010000u

typedef struct ServiceTableHeader {
  uint32_t version;     /* QX_SERVICE_TABLE_VERSION */
  uint32_t reserved[4]; /* zero */
} ServiceTableHeader;

QX_STATIC_ASSERT(sizeof(ServiceTableHeader) == 20, "service table header is 20 bytes");

/* Service identifiers. */
#define QX_SERVICE_BEAT_TRACKER QX_FOURCC('B', 'T', 'R', 'K')
#define QX_SERVICE_TRANSITIONS QX_FOURCC('D', 'I', 'A', 'L')
#define QX_SERVICE_MEMORY QX_FOURCC('M', 'E', 'M', 'O')
#define QX_SERVICE_MATH QX_FOURCC('M', 'A', 'T', 'H')
#define QX_SERVICE_ACCELERATOR QX_FOURCC('E', 'N', '3', 'D')

/* 'MEMO': every block an effect plug-in owns comes from here. */
typedef struct MemoryServiceTable {
  ServiceTableHeader header;
  void (*freeBlock)(void* block);          /* offset 20: null is ignored */
  void* (*allocate)(uint32_t size);        /* offset 24: the block, or null */
} MemoryServiceTable;

QX_STATIC_ASSERT(offsetof(MemoryServiceTable, freeBlock) == QX_LAYOUT(20, 24), "MEMO free");
QX_STATIC_ASSERT(offsetof(MemoryServiceTable, allocate) == QX_LAYOUT(24, 32), "MEMO allocate");

/* The data slot that effect plug-ins export and the engine fills with the 'MEMO' table at
 * start-up (null when no memory service is installed; test it before each use). Define it
 * in exactly one source file of an effect plug-in with QX_DEFINE_MEMORY_SERVICE_SLOT. */
#define QX_MEMORY_SERVICE_SLOT_NAME "gMemoryService"
#define QX_DEFINE_MEMORY_SERVICE_SLOT \
  QX_EXTERN_C QX_EXPORT MemoryServiceTable* gMemoryService = 0

/* 'MATH': only the arc cosine is called. */
typedef struct MathServiceTable {
  ServiceTableHeader header;
  QxProc reserved20;                       /* offset 20: not called */
  double (*arcCosine)(double x);           /* offset 24: angle 0..pi whose cosine is x */
} MathServiceTable;

QX_STATIC_ASSERT(offsetof(MathServiceTable, arcCosine) == QX_LAYOUT(24, 32), "MATH acos");

/* 'BTRK': the beat tracker. */
typedef struct BeatTrackerTable {
  ServiceTableHeader header;
  /* offset 20: prepares for blocks of samplesPerBlock samples per channel; 0 on success,
   * non-zero when a buffer could not be allocated. */
  uint8_t (*open)(uint32_t sampleRate, uint32_t samplesPerBlock);
  /* offset 24: frees the tracker's buffers. */
  void (*close)(void);
  /* offset 28: one block of 2 x N signed 8-bit samples (first channel, then second) and its
   * time stamp in milliseconds; 0, or 1 | (beat period in ms << 16) when a beat falls. */
  uint32_t (*process)(const int8_t* samples, uint32_t milliseconds);
} BeatTrackerTable;

QX_STATIC_ASSERT(offsetof(BeatTrackerTable, open) == QX_LAYOUT(20, 24), "BTRK open");
QX_STATIC_ASSERT(offsetof(BeatTrackerTable, close) == QX_LAYOUT(24, 32), "BTRK close");
QX_STATIC_ASSERT(offsetof(BeatTrackerTable, process) == QX_LAYOUT(28, 40), "BTRK process");

/* 'DIAL': transition masks. */
typedef struct TransitionServiceTable {
  ServiceTableHeader header;
  /* offset 20: a transition of `kind` drawing into the 8-bit mask; null on failure. */
  void* (*create)(PluginCallBlock* client, const BufferDesc* mask, int32_t kind, int32_t shift,
                  int32_t softness, uint8_t invert, void* parameters);
  /* offset 24: fills the mask for progress 0..1. */
  void (*render)(void* transition, int32_t phase, float progress);
  /* offset 28 */
  void (*destroy)(void* transition);
} TransitionServiceTable;

QX_STATIC_ASSERT(offsetof(TransitionServiceTable, create) == QX_LAYOUT(20, 24), "DIAL create");
QX_STATIC_ASSERT(offsetof(TransitionServiceTable, render) == QX_LAYOUT(24, 32), "DIAL render");
QX_STATIC_ASSERT(offsetof(TransitionServiceTable, destroy) == QX_LAYOUT(28, 40), "DIAL destroy");

/* An icon a plug-in may export for the engine's lists: 32 x 32 palette indexes, top row
 * first. Without it the engine shows its default icon. */
#define QX_ICON_SYMBOL_NAME "quorixIcon"
#define QX_ICON_BYTES 1024

#endif
