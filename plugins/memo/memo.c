/* memo.kpl: the memory service 'MEMO'.
 *
 * Effect plug-ins take every block they own from the table the engine writes into their
 * "gMemoryService" slot. Blocks come from the C heap, zero-filled so that a plug-in never reads
 * leftovers; a size of 0 still gives a block of its own. */
#include <stdlib.h>

#include "plugin_sdk/quorix_plugin.h"

static void freeBlock(void* block) { free(block); }

static void* allocate(uint32_t size) { return calloc(1, size != 0 ? size : 1); }

static const MemoryServiceTable kMemoryService = {
    {QX_SERVICE_TABLE_VERSION, {0, 0, 0, 0}}, freeBlock, allocate};

QX_PLUGIN_ENTRY(PluginMain);

int32_t PluginMain(PluginCallBlock* block) {
  qxAnswerServiceSelector(block, QX_SERVICE_MEMORY, &kMemoryService);
  return 0;
}
