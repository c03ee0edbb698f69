// Calling a plug-in: one selector at a time through the record's call block.
//
// The record's flags keep the calls in the order plug-ins rely on: open is sent once until
// close, process and close only while open, preload once until unload, unload only after
// preload. Every call is made on the engine's render thread.
#pragma once

#include <cstdint>

#include "plugin/plugin_record.h"

namespace quorix::plugin {

// What the host sets in the call block before an open: the Synth being played and the medium
// of the key that starts the effect, and the manager's timing switch for the record to copy.
struct OpenContext {
  int32_t document = 0;
  int32_t mediaIndex = 0;
  int32_t mediaKind = QX_MEDIA_NONE;
  int32_t timingSwitch = 0;
};

// Calls `selector` with `argument` and returns the block's result (0 when the selector defines
// none, or when the call was not made: no entry point, or the flags above hold it back).
//  - open first sends preload with the same argument when the record is not preloaded, then
//    sets the block's document and medium from `open`, marks the record open and takes the
//    timing switch (clearing the statistics when it is on);
//  - process, while timing is on, adds the call's milliseconds and one call to the statistics;
//  - close, while timing is on and the diagnostic log is open, writes the statistics there
//    (config::logTiming).
// A C++ exception thrown out of a plug-in stops at this function.
intptr_t callPlugin(PluginRecord& record, int32_t selector, intptr_t argument = 0,
                    const OpenContext& open = {});

}  // namespace quorix::plugin
