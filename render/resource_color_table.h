// Colour tables made from the library's colour-table resources (type 1001).
#pragma once

#include "plugin_sdk/quorix_types.h"

namespace quorix::render {

// A new host-order ColorTable handle from resource `id` (8 asks for the default 8-bit table,
// 151), with seed 4036 and flags 0. Null when there is no such resource, or when memory runs
// out (memory error -108).
MemHandle makeResourceColorTable(int id);

}  // namespace quorix::render
