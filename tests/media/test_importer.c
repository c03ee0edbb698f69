/* A file-I/O plug-in for the importer tests. It handles 'TIMG' pictures: the bytes "TIMG",
 * then the width and height as big-endian 16-bit numbers. It takes files of type 'TIM ' and
 * records every call in the exported record "importerLog" points to, which the tests read.
 * Drawing fills the frame with bytes 0x42 through the destination's description, which it asks
 * of the toolbox that lies behind the call block, as a real importer would. */
#include <string.h>

#include "plugin_sdk/host_toolbox.h"
#include "plugin_sdk/quorix_plugin.h"

typedef struct ImporterLog {
  int32_t calls;
  int32_t selector;            /* the last call's */
  PluginCallBlock* block;      /* the block it came through */
  Rect16 frame;                /* the last draw's */
  void* destination;
  MemHandle picture;
  char path[256];              /* the last load's */
  int32_t filters;             /* add-filter calls */
} ImporterLog;

static ImporterLog gLog;
static MemHandleRecord gLoaded;
static const char gLoadedBytes[] = "TIMG\0\5\0\3";

QX_EXPORT ImporterLog* importerLog = &gLog;

static int readSize(MemHandle picture, int16_t* width, int16_t* height) {
  const unsigned char* bytes;
  if (picture == NULL || picture->data == NULL || picture->size < 8) return 0;
  bytes = (const unsigned char*)picture->data;
  if (memcmp(bytes, "TIMG", 4) != 0) return 0;
  *width = (int16_t)((bytes[4] << 8) | bytes[5]);
  *height = (int16_t)((bytes[6] << 8) | bytes[7]);
  return 1;
}

/* Fills the draw's frame, clipped to the destination's bounds, with bytes 0x42. */
static intptr_t fillFrame(const HostToolbox* toolbox, const ImporterDrawArgs* args) {
  BufferDesc desc;
  int bytesPerPixel, row;
  int16_t top, left, bottom, right;
  if (toolbox->describePort((PortRef)args->destination, &desc) != 1 || desc.baseAddr == NULL) return 0;
  bytesPerPixel = desc.bitsPerPixel / 8;
  top = args->frame.top > desc.bounds.top ? args->frame.top : desc.bounds.top;
  left = args->frame.left > desc.bounds.left ? args->frame.left : desc.bounds.left;
  bottom = args->frame.bottom < desc.bounds.bottom ? args->frame.bottom : desc.bounds.bottom;
  right = args->frame.right < desc.bounds.right ? args->frame.right : desc.bounds.right;
  for (row = top; row < bottom; ++row) {
    unsigned char* at = (unsigned char*)desc.baseAddr + (row - desc.bounds.top) * (intptr_t)desc.rowBytes +
                        (left - desc.bounds.left) * bytesPerPixel;
    if (right > left) memset(at, 0x42, (size_t)(right - left) * bytesPerPixel);
  }
  return 1;
}

QX_PLUGIN_ENTRY(PluginMain);

int32_t PluginMain(PluginCallBlock* block) {
  gLog.calls += 1;
  gLog.selector = block->selector;
  gLog.block = block;
  switch (block->selector) {
    case QX_SELECTOR_IDENTIFY:
      block->result = (intptr_t)QX_TYPE_IMPORTER;
      break;
    case QX_SELECTOR_IMPORT_TYPE:
      block->result = (intptr_t)QX_FOURCC('T', 'I', 'M', 'G');
      break;
    case QX_SELECTOR_IMPORT_OPEN: {
      const char* path = (const char*)block->argument;
      strncpy(gLog.path, path, sizeof gLog.path - 1);
      gLoaded.data = (void*)gLoadedBytes;
      gLoaded.size = 8;
      block->result = (intptr_t)&gLoaded;
      break;
    }
    case QX_SELECTOR_IMPORT_BOUNDS: {
      ImporterBoundsArgs* args = (ImporterBoundsArgs*)block->argument;
      int16_t width, height;
      if (readSize(args->picture, &width, &height)) {
        args->bounds.top = 0;
        args->bounds.left = 0;
        args->bounds.bottom = height;
        args->bounds.right = width;
        block->result = 1;
      }
      break;
    }
    case QX_SELECTOR_IMPORT_DRAW: {
      const ImporterDrawArgs* args = (const ImporterDrawArgs*)block->argument;
      gLog.frame = args->frame;
      gLog.destination = args->destination;
      gLog.picture = args->picture;
      block->result = fillFrame((const HostToolbox*)block, args);
      break;
    }
    case QX_SELECTOR_IMPORT_ACCEPTS: {
      const ImporterTypeArgs* args = (const ImporterTypeArgs*)block->argument;
      if (args->type == QX_FOURCC('T', 'I', 'M', ' ')) block->result = (intptr_t)QX_FOURCC('T', 'I', 'M', 'G');
      break;
    }
    case QX_SELECTOR_IMPORT_ADD_FILTER:
      gLog.filters += 1;
      break;
    default:
      break;
  }
  return 0;
}
