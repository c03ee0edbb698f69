#include "document/blobs.h"

#include "common/byte_order.h"
#include "common/memory.h"
#include "document/synth_list.h"
#include "plugin_sdk/status_codes.h"

namespace quorix::document {
namespace {

constexpr size_t kBlobIdAt = 4;  // the id's place in an effect settings block

// Points entry `index` at `data`, freeing its old handle unless it is the same or another
// entry still holds it.
void assign(MemHandle table, int32_t index, MemHandle data) {
  BlobEntry* entries = BlobTable::entries(table);
  MemHandle old = entries[index].data;
  entries[index].data = data;
  if (old == nullptr || old == data) return;
  for (int32_t i = 0; i < BlobTable::count(table); ++i) {
    if (entries[i].data == old) return;
  }
  disposeHandle(old);
}

// Appends {id, tag, data}; false when the table cannot grow (memory error set).
bool append(SynthSlot& slot, uint32_t id, FourCC tag, MemHandle data) {
  if (slot.blobs == nullptr && (slot.blobs = BlobTable::create(0)) == nullptr) return false;
  int32_t count = BlobTable::count(slot.blobs);
  if (!BlobTable::resize(slot.blobs, count + 1)) {
    setMemoryError(QX_ERR_MEMORY);
    return false;
  }
  BlobTable::entries(slot.blobs)[count] = {id, tag, data};
  return true;
}

}  // namespace

MemHandle getBlob(const uint8_t* settings, int32_t synth) {
  return settings != nullptr ? findBlob(synth, loadBE32(settings + kBlobIdAt)) : nullptr;
}

void setBlob(uint8_t* settings, int32_t synth, MemHandle data) {
  SynthSlot* slot = synthSlot(synth);
  if (settings == nullptr || slot == nullptr) return;
  uint32_t id = loadBE32(settings + kBlobIdAt);
  if (id == 0) {
    id = addBlob(synth, data, 0);
    if (id != 0) storeBE32(settings + kBlobIdAt, id);
    return;
  }
  for (int32_t i = 0; i < BlobTable::count(slot->blobs); ++i) {
    if (BlobTable::entries(slot->blobs)[i].blobId == id) {
      assign(slot->blobs, i, data);
      return;
    }
  }
  append(*slot, id, 0, data);
}

uint32_t addBlob(int32_t synth, MemHandle data, FourCC tag) {
  SynthSlot* slot = synthSlot(synth);
  if (slot == nullptr) return 0;
  uint32_t largest = 0;
  for (int32_t i = 0; i < BlobTable::count(slot->blobs); ++i) {
    uint32_t id = BlobTable::entries(slot->blobs)[i].blobId;
    if (id > largest) largest = id;
  }
  if (largest == UINT32_MAX) return 0;
  return append(*slot, largest + 1, tag, data) ? largest + 1 : 0;
}

int32_t replaceBlob(int32_t synth, uint32_t id, MemHandle data) {
  SynthSlot* slot = synthSlot(synth);
  if (slot == nullptr) return QX_OK;
  for (int32_t i = 0; i < BlobTable::count(slot->blobs); ++i) {
    if (BlobTable::entries(slot->blobs)[i].blobId == id) assign(slot->blobs, i, data);
  }
  return QX_OK;
}

MemHandle findBlob(int32_t synth, uint32_t id) {
  SynthSlot* slot = synthSlot(synth);
  if (slot == nullptr) return nullptr;
  for (int32_t i = 0; i < BlobTable::count(slot->blobs); ++i) {
    const BlobEntry& entry = BlobTable::entries(slot->blobs)[i];
    if (entry.blobId == id) return entry.data;
  }
  return nullptr;
}

}  // namespace quorix::document
