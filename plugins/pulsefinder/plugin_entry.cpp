// Pulsefinder's entry point and its 'BTRK' service table.
//
// The library holds one tracker, made when the library is loaded and destroyed when it is
// unloaded; the table's open, close and process work on it.
#include "plugin_sdk/quorix_plugin.h"
#include "plugins/pulsefinder/beat_tracker.h"

namespace quorix::pulsefinder {
namespace {

BeatTracker gTracker;

uint8_t openTracker(uint32_t sampleRate, uint32_t samplesPerBlock) noexcept {
  return gTracker.open(sampleRate, samplesPerBlock) ? 0 : 1;
}

void closeTracker() noexcept { gTracker.close(); }

uint32_t processBlock(const int8_t* samples, uint32_t milliseconds) noexcept {
  return gTracker.process(samples, milliseconds);
}

// Complete from the moment the library is loaded, so starting the service has nothing left
// to prepare and the address handed out before the start is already usable.
const BeatTrackerTable gTable = {
    {QX_SERVICE_TABLE_VERSION, {0, 0, 0, 0}}, openTracker, closeTracker, processBlock};

}  // namespace
}  // namespace quorix::pulsefinder

QX_PLUGIN_ENTRY(PluginMain);

int32_t PluginMain(PluginCallBlock* block) {
  if (block == nullptr) return 0;
  switch (block->selector) {
    case QX_SELECTOR_IDENTIFY:
      block->result = static_cast<intptr_t>(QX_TYPE_SERVICE);
      break;
    case QX_SELECTOR_SERVICE_ID:
      block->result = static_cast<intptr_t>(QX_SERVICE_BEAT_TRACKER);
      break;
    case QX_SELECTOR_START_SERVICE:
    case QX_SELECTOR_STOP_SERVICE:
      block->result = 0;
      break;
    case QX_SELECTOR_SERVICE_TABLE:
      block->result = reinterpret_cast<intptr_t>(&quorix::pulsefinder::gTable);
      break;
    default:
      break;
  }
  return 0;
}
