// Colour-table resources of the engine library (resource type 1001).
#pragma once

#include <cstdint>
#include <vector>

namespace quorix::ui {

inline constexpr int kDefaultColorTableId = 151;

// The big-endian bytes of colour-table resource `id`, or null when the library has none.
// Resource 151 is the default 8-bit table: the classic 256-colour system palette (entry 0
// white, entry 255 black), 2056 bytes.
const std::vector<uint8_t>* colorTableResource(int id);

}  // namespace quorix::ui
