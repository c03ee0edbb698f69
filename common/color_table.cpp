#include "common/color_table.h"

#include <cstring>

#include "common/byte_order.h"
#include "common/memory.h"

namespace quorix {

ColorEntry* colorTableEntries(MemHandle table) {
  if (table == nullptr || table->data == nullptr || table->size < sizeof(ColorTableHeader)) {
    return nullptr;
  }
  return reinterpret_cast<ColorEntry*>(static_cast<uint8_t*>(table->data) +
                                       sizeof(ColorTableHeader));
}

int colorTableCount(MemHandle table) {
  if (colorTableEntries(table) == nullptr) return 0;
  const auto* header = static_cast<const ColorTableHeader*>(table->data);
  int declared = header->size + 1;
  int held = static_cast<int>((table->size - sizeof(ColorTableHeader)) / sizeof(ColorEntry));
  return declared < 0 ? 0 : (declared < held ? declared : held);
}

MemHandle makeColorTable(const ColorEntry* entries, int count, uint32_t seed, uint16_t flags) {
  if (count < 0) count = 0;
  MemHandle table = newHandle(static_cast<uint32_t>(sizeof(ColorTableHeader) +
                                                    static_cast<size_t>(count) * sizeof(ColorEntry)));
  if (table == nullptr) return nullptr;
  auto* header = static_cast<ColorTableHeader*>(table->data);
  header->seed = seed;
  header->flags = flags;
  header->size = static_cast<int16_t>(count - 1);
  if (count > 0) std::memcpy(colorTableEntries(table), entries, count * sizeof(ColorEntry));
  return table;
}

MemHandle colorTableFromBigEndian(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size < sizeof(ColorTableHeader)) return nullptr;
  int16_t declared = loadBE16s(bytes + 6);
  int count = declared < 0 ? 0 : declared + 1;
  std::vector<ColorEntry> entries(static_cast<size_t>(count), ColorEntry{0, 0, 0, 0});
  for (int i = 0; i < count; ++i) {
    size_t at = sizeof(ColorTableHeader) + static_cast<size_t>(i) * 8;
    if (at + 8 > size) break;  // a short table: the missing entries stay zero
    entries[static_cast<size_t>(i)] = {loadBE16(bytes + at), loadBE16(bytes + at + 2),
                                       loadBE16(bytes + at + 4), loadBE16(bytes + at + 6)};
  }
  MemHandle table = makeColorTable(entries.data(), count, loadBE32(bytes), loadBE16(bytes + 4));
  if (table != nullptr) static_cast<ColorTableHeader*>(table->data)->size = declared;
  return table;
}

std::vector<uint8_t> colorTableToBigEndian(MemHandle table) {
  if (colorTableEntries(table) == nullptr) return {};
  const auto* header = static_cast<const ColorTableHeader*>(table->data);
  int count = colorTableCount(table);
  std::vector<uint8_t> bytes(sizeof(ColorTableHeader) + static_cast<size_t>(count) * 8);
  storeBE32(bytes.data(), header->seed);
  storeBE16(bytes.data() + 4, header->flags);
  storeBE16(bytes.data() + 6, static_cast<uint16_t>(count - 1));
  const ColorEntry* entries = colorTableEntries(table);
  for (int i = 0; i < count; ++i) {
    uint8_t* at = bytes.data() + 8 + static_cast<size_t>(i) * 8;
    storeBE16(at, entries[i].value);
    storeBE16(at + 2, entries[i].red);
    storeBE16(at + 4, entries[i].green);
    storeBE16(at + 6, entries[i].blue);
  }
  return bytes;
}

}  // namespace quorix
