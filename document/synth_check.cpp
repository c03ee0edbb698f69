#include "document/synth_check.h"

#include "common/fourcc.h"
#include "document/chunk_file.h"
#include "document/synth_layout.h"
#include "document/synth_list.h"

namespace quorix::document {
namespace {

// The entries of each kind of medium a key can name (the fourth kind's table is the
// sequencer's: not checked here).
int32_t tableCount(const SynthSlot& slot, MediaKind kind) {
  switch (kind) {
    case MediaKind::Picture: return PictureTable::count(slot.pictures);
    case MediaKind::Movie: return MovieTable::count(slot.movies);
    case MediaKind::Object: return ObjectTable::count(slot.objects);
    default: return -1;
  }
}

constexpr const char* kKindNames[] = {"", "picture", "movie", "3D object", ""};

}  // namespace

std::vector<std::string> checkSynth(int32_t synth) {
  std::vector<std::string> problems;
  SynthSlot* slot = synthSlot(synth);
  if (slot == nullptr) return problems;
  if (const ChunkFile* file = slot->chunkFile) {
    for (int32_t i = 0; i < file->chunkCount(); ++i) {
      const ChunkEntry& e = file->entry(i);
      if (e.type != kFreedChunk && uint64_t{e.offset} + e.used > file->fileSize()) {
        problems.push_back("chunk " + std::to_string(i) + " (" + fourccText(e.type) + " " +
                           std::to_string(e.id) + ") runs past the end of the file");
      }
    }
  }
  for (int k = 0; k < kPatchCount; ++k) {
    const PatchRecord* patch = patchRecord(synth, k);
    for (int key = 0; patch != nullptr && key < kKeyCount; ++key) {
      KeyMedia media = decodeKeyMedia(patch->keyMedia[key]);
      int32_t count = tableCount(*slot, media.kind);
      if (count >= 0 && (media.index < 0 || media.index >= count)) {
        problems.push_back("Patch " + std::to_string(k) + " key " + std::to_string(key) +
                           " names " + kKindNames[static_cast<int>(media.kind)] + " " +
                           std::to_string(media.index) + ", which does not exist");
      }
    }
  }
  for (int i = 0; pictureEntry(synth, i) != nullptr; ++i) {
    if (slot->chunkFile == nullptr ||
        slot->chunkFile->find(kPictureDataChunk, static_cast<uint32_t>(i)) < 0) {
      problems.push_back("picture " + std::to_string(i) + " has no data");
    }
  }
  return problems;
}

}  // namespace quorix::document
