/* Helper for service plug-ins ('SERV'): the answers every simple service gives.
 *
 * A service whose table is static and needs no start-up work answers identify, service id,
 * start, stop and service table the same way; its entry point can hand those selectors here:
 *
 *   QX_PLUGIN_ENTRY(PluginMain);
 *   int32_t PluginMain(PluginCallBlock* block) {
 *     qxAnswerServiceSelector(block, QX_SERVICE_MEMORY, &kTable);
 *     return 0;
 *   }
 */
#ifndef QUORIX_PLUGIN_SDK_SERVICE_PLUGIN_H
#define QUORIX_PLUGIN_SDK_SERVICE_PLUGIN_H

#include "plugin_sdk/call_block.h"

/* Writes the result of the five service selectors: 'SERV', `serviceId`, 0 for start and stop,
 * the address of `table`. Leaves the block untouched for any other selector and returns 0
 * then, else 1. */
static inline int qxAnswerServiceSelector(PluginCallBlock* block, FourCC serviceId,
                                          const void* table) {
  switch (block->selector) {
    case QX_SELECTOR_IDENTIFY:
      block->result = (intptr_t)QX_TYPE_SERVICE;
      return 1;
    case QX_SELECTOR_SERVICE_ID:
      block->result = (intptr_t)serviceId;
      return 1;
    case QX_SELECTOR_START_SERVICE:
    case QX_SELECTOR_STOP_SERVICE:
      block->result = 0;
      return 1;
    case QX_SELECTOR_SERVICE_TABLE:
      block->result = (intptr_t)table;
      return 1;
    default:
      return 0;
  }
}

#endif
