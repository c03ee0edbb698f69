/* A plug-in for the loader and call protocol tests, built in several variants by compile
 * definitions:
 *   TEST_TYPE "TEST"           the answer to identify; undefined: the result is left alone
 *   TEST_SERVICE_ID "SRVA"     the answer to service id; undefined: the result is left alone
 *   TEST_NULL_TABLE            the answer to service table is null
 *   TEST_START_RESULT n        the answer to start (0 by default)
 *   TEST_MEMORY_SLOT           exports a pointer-wide "gMemoryService"
 *   TEST_NARROW_MEMORY_SLOT    exports a 32-bit "gMemoryService" (the wrong size)
 *   TEST_ICON n                exports a full "quorixIcon" of pixels n
 *   TEST_SMALL_ICON            exports a 16-byte "quorixIcon" (too small)
 *   TEST_NULL_INSTANCE         open leaves the state null
 *   TEST_NO_ENTRY              exports no entry point
 *
 * When QUORIX_TEST_TRACE names a file, every call appends one line to it: the library's file
 * name, then the selector and what the plug-in saw. Loading and unloading the library add
 * "load" and "unload" lines. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "plugin_sdk/quorix_plugin.h"

#define CODE(text) QX_FOURCC((text)[0], (text)[1], (text)[2], (text)[3])

static void trace(const char* format, ...) {
  const char* path = getenv("QUORIX_TEST_TRACE");
  if (path == NULL) return;
  FILE* file = fopen(path, "a");
  if (file == NULL) return;
  Dl_info info;
  const char* name = "?";
  if (dladdr((void*)&trace, &info) != 0 && info.dli_fname != NULL) {
    const char* slash = strrchr(info.dli_fname, '/');
    name = slash != NULL ? slash + 1 : info.dli_fname;
  }
  fprintf(file, "%s ", name);
  va_list args;
  va_start(args, format);
  vfprintf(file, format, args);
  va_end(args);
  fputc('\n', file);
  fclose(file);
}

__attribute__((constructor)) static void loaded(void) { trace("load"); }
__attribute__((destructor)) static void unloaded(void) { trace("unload"); }

#if defined(TEST_MEMORY_SLOT)
QX_DEFINE_MEMORY_SERVICE_SLOT;
#define MEMORY gMemoryService
#elif defined(TEST_NARROW_MEMORY_SLOT)
QX_EXPORT int32_t gMemoryService = 0;
#define MEMORY ((MemoryServiceTable*)0)
#else
#define MEMORY ((MemoryServiceTable*)0)
#endif

#if defined(TEST_ICON)
QX_EXPORT uint8_t quorixIcon[QX_ICON_BYTES];
__attribute__((constructor)) static void paintIcon(void) {
  memset(quorixIcon, TEST_ICON, sizeof quorixIcon);
}
#elif defined(TEST_SMALL_ICON)
QX_EXPORT uint8_t quorixIcon[16] = {1, 2, 3};
#endif

#ifndef TEST_START_RESULT
#define TEST_START_RESULT 0
#endif

#ifndef TEST_NO_ENTRY
typedef struct Instance {
  int serial;
} Instance;

/* The first four bytes of a settings block as text, or "0" for none. */
static const char* settingsName(intptr_t argument, char out[5]) {
  if (argument == 0) return "0";
  memcpy(out, (const void*)argument, 4);
  out[4] = 0;
  return out;
}

static int serialOf(const PluginCallBlock* block) {
  return block->state != NULL ? ((const Instance*)block->state)->serial : 0;
}

static void openInstance(PluginCallBlock* block) {
  char name[5];
  Instance* instance = NULL;
#ifndef TEST_NULL_INSTANCE
  static int opened = 0;
  instance = MEMORY != NULL ? (Instance*)MEMORY->allocate(sizeof *instance)
                            : (Instance*)malloc(sizeof *instance);
  if (instance != NULL) instance->serial = ++opened;
#endif
  block->state = instance;
  trace("1 %s document=%d media=%d kind=%d instance=%d memory=%s",
        settingsName(block->argument, name), block->document, block->mediaIndex,
        block->mediaKind, serialOf(block), MEMORY != NULL ? "service" : "heap");
}

static void closeInstance(PluginCallBlock* block) {
  trace("2 instance=%d", serialOf(block));
  if (MEMORY != NULL) {
    MEMORY->freeBlock(block->state);
  } else {
    free(block->state);
  }
  block->state = NULL;
}

#ifndef TEST_NULL_TABLE
static const ServiceTableHeader kTable = {QX_SERVICE_TABLE_VERSION, {0, 0, 0, 0}};
#endif

QX_PLUGIN_ENTRY(PluginMain);

int32_t PluginMain(PluginCallBlock* block) {
  char name[5];
  switch (block->selector) {
    case QX_SELECTOR_OPEN:
      openInstance(block);
      return 0;
    case QX_SELECTOR_CLOSE:
      closeInstance(block);
      return 0;
    case QX_SELECTOR_PROCESS:
      trace("4 instance=%d", serialOf(block));
      return 0;
    case QX_SELECTOR_PRELOAD:
      trace("11 %s", settingsName(block->argument, name));
      return 0;
    case QX_SELECTOR_IDENTIFY:
#ifdef TEST_TYPE
      block->result = (intptr_t)CODE(TEST_TYPE);
#endif
      break;
    case QX_SELECTOR_SERVICE_ID:
#ifdef TEST_SERVICE_ID
      block->result = (intptr_t)CODE(TEST_SERVICE_ID);
#endif
      break;
    case QX_SELECTOR_START_SERVICE:
      block->result = TEST_START_RESULT;
      break;
    case QX_SELECTOR_SERVICE_TABLE:
#ifndef TEST_NULL_TABLE
      block->result = (intptr_t)&kTable;
#endif
      break;
    default:
      break;
  }
  trace("%d", block->selector);
  return 0;
}
#else
QX_EXPORT int32_t notAnEntry(PluginCallBlock* block) { return block != NULL; }
#endif
