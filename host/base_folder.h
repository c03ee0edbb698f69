// The engine's base folder: the folder of the engine library, where plug-ins, visuals and the
// preferences file are found.
#pragma once

#include <string>

namespace quorix::host {

// The folder of the file that holds the engine's code, with a final '/'.
std::string engineBaseFolder();

}  // namespace quorix::host
