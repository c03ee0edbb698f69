// RecordTable: a counted table of fixed-size records in one MemHandle, as the Synth keeps its
// media, blobs, tracks and window placements.
//
// The block is an 8-byte header (the count, then a word some tables use) followed by `count`
// records. Accessors never reach past the block, whatever its header says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/memory.h"
#include "plugin_sdk/quorix_types.h"

namespace quorix::document {

struct TableHeader {
  int32_t count;
  uint32_t word;  // the track list's run-time word; zero elsewhere
};

template <typename Entry>
struct RecordTable {
  static_assert(alignof(Entry) <= sizeof(TableHeader));

  // Bytes of a table of `count` records (none for a count below 1).
  static constexpr uint64_t bytesFor(int64_t count) {
    return sizeof(TableHeader) + sizeof(Entry) * static_cast<uint64_t>(count > 0 ? count : 0);
  }

  // A zero-filled table of `count` records, or null (memory error -108).
  static MemHandle create(int32_t count) {
    uint64_t bytes = bytesFor(count);
    if (bytes > UINT32_MAX) {
      setMemoryError(-108);
      return nullptr;
    }
    MemHandle table = newHandle(static_cast<uint32_t>(bytes));
    if (table == nullptr) return nullptr;
    std::memset(table->data, 0, table->size);
    header(table)->count = count > 0 ? count : 0;
    return table;
  }

  static TableHeader* header(MemHandle table) {
    return table != nullptr && table->data != nullptr && table->size >= sizeof(TableHeader)
               ? static_cast<TableHeader*>(table->data)
               : nullptr;
  }

  // The number of records, bounded by what the block holds.
  static int32_t count(MemHandle table) {
    const TableHeader* top = header(table);
    if (top == nullptr || top->count <= 0) return 0;
    uint64_t held = (table->size - sizeof(TableHeader)) / sizeof(Entry);
    return held < static_cast<uint64_t>(top->count) ? static_cast<int32_t>(held) : top->count;
  }

  static Entry* entries(MemHandle table) {
    return header(table) != nullptr
               ? reinterpret_cast<Entry*>(static_cast<uint8_t*>(table->data) + sizeof(TableHeader))
               : nullptr;
  }

  // Record `index`, or null outside the table.
  static Entry* at(MemHandle table, int32_t index) {
    return index >= 0 && index < count(table) ? entries(table) + index : nullptr;
  }

  // Resizes to `count` records, new ones zero-filled; false (table unchanged) on failure.
  static bool resize(MemHandle table, int32_t count) {
    if (header(table) == nullptr || count < 0 || bytesFor(count) > UINT32_MAX) return false;
    int32_t before = RecordTable::count(table);
    if (!setHandleSize(table, static_cast<uint32_t>(bytesFor(count)))) return false;
    if (count > before) {
      std::memset(entries(table) + before, 0, sizeof(Entry) * static_cast<size_t>(count - before));
    }
    header(table)->count = count;
    return true;
  }

  // True when the block is exactly as large as its count says.
  static bool sizeMatches(MemHandle table) {
    const TableHeader* top = header(table);
    return top != nullptr && table->size == bytesFor(top->count);
  }
};

}  // namespace quorix::document
