// ColorTable: a seed, flags, the number of entries minus one, then that many ColorEntry
// records. Files and resources store it big-endian; in memory it is held in host order in a
// MemHandle whose block starts with ColorTableHeader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugin_sdk/quorix_types.h"

namespace quorix {

struct ColorTableHeader {
  uint32_t seed;
  uint16_t flags;
  int16_t size; // number of entries - 1; below 0: no entries
};
static_assert(sizeof(ColorTableHeader) == 8);

inline constexpr uint32_t kResourceTableSeed = 4036; // seed of a table built from a resource

// The entries of a table held in a handle, and their number (0 for a null or short handle).
ColorEntry* colorTableEntries(MemHandle table);
int colorTableCount(MemHandle table);

// A host-order table from big-endian bytes: the header, then as many entries as the header
// says. Entries the bytes do not hold read as zero. Null (memory error -108) when out of memory
// or when the bytes are shorter than the header.
MemHandle colorTableFromBigEndian(const uint8_t* bytes, size_t size);

// The big-endian bytes of a table held in a handle.
std::vector<uint8_t> colorTableToBigEndian(MemHandle table);

// A host-order table of the given entries.
MemHandle makeColorTable(const ColorEntry* entries, int count, uint32_t seed, uint16_t flags);

}  // namespace quorix
