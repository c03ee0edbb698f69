// The engine's HostEnvironment record, the one every plug-in call block points at.
#pragma once

#include "plugin_sdk/host_environment.h"

namespace quorix::plugin {

// The engine-wide record. Its address never changes while the engine library is loaded. It
// starts with its version word, GetHostProc and CopyBlit set, the picture descriptor empty
// (null pixels, 8 bits) and everything else zero; the engine fills in the frame, work and
// picture descriptors, the colour entries and the palette function as it opens visuals.
HostEnvironment& hostEnvironment();

}  // namespace quorix::plugin
