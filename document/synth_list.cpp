#include "document/synth_list.h"

#include <cstring>

#include "common/counted_string.h"
#include "common/memory.h"
#include "plugin_sdk/status_codes.h"

namespace quorix::document {
namespace {

using SlotTable = RecordTable<SynthSlot>;

template <typename Entry>
Entry* recordIn(MemHandle handle) {
  return handle != nullptr && handle->size >= sizeof(Entry) ? static_cast<Entry*>(handle->data)
                                                           : nullptr;
}

void dispose(MemHandle& handle) {
  disposeHandle(handle);
  handle = nullptr;
}

}  // namespace

std::string filePath(const FileSpec& spec) { return readFixedString(spec.path, sizeof spec.path); }

bool setFilePath(FileSpec& spec, const std::string& path) {
  std::memset(&spec, 0, sizeof spec);
  if (path.empty() || path.size() > kMaxPathLength || path.find('\0') != std::string::npos) {
    return false;
  }
  spec.lengthWord = static_cast<uint16_t>(path.size() * 257);
  std::memcpy(spec.path, path.data(), path.size());
  return true;
}

bool SynthList::create() {
  if (block_ == nullptr) block_ = SlotTable::create(0);
  return block_ != nullptr;
}

int32_t SynthList::count() const { return SlotTable::count(block_); }

SynthSlot* SynthList::slot(int32_t index) const { return SlotTable::at(block_, index); }

SynthSlot* SynthList::append() {
  if (!create()) return nullptr;
  int32_t count = this->count();
  if (!SlotTable::resize(block_, count + 1)) return nullptr;
  return slot(count);
}

void SynthList::remove(int32_t index) {
  int32_t count = this->count();
  if (index < 0 || index >= count) return;
  SynthSlot* slots = SlotTable::entries(block_);
  std::memmove(slots + index, slots + index + 1, sizeof(SynthSlot) * static_cast<size_t>(count - index - 1));
  // Shrinking never needs new memory: only the count changes, the block keeps its size.
  SlotTable::header(block_)->count = count - 1;
  block_->size = static_cast<uint32_t>(SlotTable::bytesFor(count - 1));
}

void SynthList::destroy() {
  disposeHandle(block_);
  block_ = nullptr;
}

SynthList& synthList() {
  static SynthList list;
  return list;
}

SynthSlot* synthSlot(int32_t synth) { return synthList().slot(synth); }

int32_t findSynthByView(const void* view) {
  if (view == nullptr) return QX_ERR_NO_SYNTH;
  for (int32_t i = 0; i < synthList().count(); ++i) {
    if (synthSlot(i)->view == view) return i;
  }
  return QX_ERR_NO_SYNTH;
}

SynthHeader* synthHeader(int32_t synth) {
  SynthSlot* slot = synthSlot(synth);
  return slot != nullptr ? recordIn<SynthHeader>(slot->header) : nullptr;
}

PatchRecord* patchRecord(int32_t synth, int patch) {
  SynthHeader* header = synthHeader(synth);
  if (header == nullptr || patch < 0 || patch >= kPatchCount) return nullptr;
  return recordIn<PatchRecord>(header->patches[patch]);
}

PictureEntry* pictureEntry(int32_t synth, int index) {
  SynthSlot* slot = synthSlot(synth);
  return slot != nullptr ? PictureTable::at(slot->pictures, index) : nullptr;
}

MovieEntry* movieEntry(int32_t synth, int index) {
  SynthSlot* slot = synthSlot(synth);
  return slot != nullptr ? MovieTable::at(slot->movies, index) : nullptr;
}

ObjectEntry* objectEntry(int32_t synth, int index) {
  SynthSlot* slot = synthSlot(synth);
  return slot != nullptr ? ObjectTable::at(slot->objects, index) : nullptr;
}

void freeSlotRecords(SynthSlot& slot) {
  if (auto* header = recordIn<SynthHeader>(slot.header)) {
    for (MemHandle& patch : header->patches) dispose(patch);
  }
  dispose(slot.header);
  PictureEntry* pictures = PictureTable::entries(slot.pictures);
  for (int32_t i = 0; i < PictureTable::count(slot.pictures); ++i) dispose(pictures[i].data);
  dispose(slot.pictures);
  dispose(slot.movies);
  dispose(slot.objects);
  dispose(slot.colors);
  dispose(slot.transparency);

  // Several entries may share one handle: free each handle once.
  BlobEntry* blobs = BlobTable::entries(slot.blobs);
  int32_t blobCount = BlobTable::count(slot.blobs);
  for (int32_t i = 0; i < blobCount; ++i) {
    bool seen = false;
    for (int32_t j = 0; j < i && !seen; ++j) seen = blobs[j].data == blobs[i].data;
    if (!seen) disposeHandle(blobs[i].data);
  }
  dispose(slot.blobs);

  TrackHandles* tracks = TrackList::entries(slot.tracks);
  for (int32_t i = 0; i < TrackList::count(slot.tracks); ++i) {
    dispose(tracks[i].events);
    dispose(tracks[i].settings);
  }
  dispose(slot.tracks);
  dispose(slot.placements);
}

}  // namespace quorix::document
