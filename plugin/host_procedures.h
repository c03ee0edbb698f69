// GetHostProc: the engine functions plug-ins reach by number.
#pragma once

#include "plugin_sdk/host_environment.h"

// The function of host procedure `index` (QX_HOST_PROC_*), or null for a number the engine
// does not offer. Plug-ins find it in their HostEnvironment; callers cast the result to the
// procedure's documented type. No state, no allocation; callable from the render thread only.
extern "C" QxProc GetHostProc(int32_t index) noexcept;
