// The engine's one HostToolbox record: the call block of every file importer call, followed by
// the table of toolbox functions that plug-ins reach through host procedure 257.
//
// [render thread]
#pragma once

#include "plugin_sdk/host_toolbox.h"

namespace quorix::plugin {

// The record, built once when the library loads (call block cleared except its environment,
// which is the engine's HostEnvironment; every slot filled) and never changed or freed.
HostToolbox& hostToolbox();

}  // namespace quorix::plugin
