#include "plugin/call_protocol.h"

#include "config/diagnostic_log.h"
#include "platform/clock.h"

namespace quorix::plugin {
namespace {

// False when the record's flags hold the selector back.
bool mayCall(const PluginRecord& record, int32_t selector) {
  switch (selector) {
    case QX_SELECTOR_OPEN:
      return record.open == 0;
    case QX_SELECTOR_CLOSE:
    case QX_SELECTOR_PROCESS:
      return record.open != 0;
    case QX_SELECTOR_PRELOAD:
      return record.preloaded == 0;
    case QX_SELECTOR_UNLOAD:
      return record.preloaded != 0;
    default:
      return true;
  }
}

void enter(PluginRecord& record) {
  try {
    record.entry(&record.callBlock);
  } catch (...) {
    // A plug-in's exception must not unwind through the engine; the call simply ends.
  }
}

void timedEnter(PluginRecord& record) {
  uint32_t start = platform::clockMilliseconds();
  record.lastStart = start;
  enter(record);
  uint32_t duration = platform::clockMilliseconds() - start;
  record.lastStart = duration;
  record.totalTime += duration;
  record.callCount += 1;
}

}  // namespace

intptr_t callPlugin(PluginRecord& record, int32_t selector, intptr_t argument,
                    const OpenContext& open) {
  if (record.entry == nullptr || !mayCall(record, selector)) return 0;
  if (selector == QX_SELECTOR_OPEN) {
    if (record.preloaded == 0) callPlugin(record, QX_SELECTOR_PRELOAD, argument);
    record.callBlock.document = open.document;
    record.callBlock.mediaIndex = open.mediaIndex;
    record.callBlock.mediaKind = open.mediaKind;
    record.open = 1;
    record.timingOn = open.timingSwitch;
    if (record.timingOn != 0) {
      record.callCount = 0;
      record.totalTime = 0;
    }
  }

  PluginCallBlock& block = record.callBlock;
  block.result = 0;
  block.selector = selector;
  block.argument = argument;
  if (selector == QX_SELECTOR_PROCESS && record.timingOn != 0) {
    timedEnter(record);
  } else {
    enter(record);
  }

  switch (selector) {
    case QX_SELECTOR_CLOSE:
      record.open = 0;
      if (record.timingOn != 0) config::logTiming(record.callCount, record.totalTime, record.type);
      break;
    case QX_SELECTOR_PRELOAD:
      record.preloaded = 1;
      break;
    case QX_SELECTOR_UNLOAD:
      record.preloaded = 0;
      break;
    default:
      break;
  }
  return block.result;
}

}  // namespace quorix::plugin
