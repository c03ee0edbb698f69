// Closing and making Synths, their Patches, the damage check and the name searches.
#include "document/synth_document.h"

#include <cstring>
#include <type_traits>

#include "common/color_table.h"
#include "common/counted_string.h"
#include "common/memory.h"
#include "document/chunk_file.h"
#include "document/document_host.h"
#include "document/synth_tables.h"
#include "platform/alert_sink.h"
#include "ui/alerts.h"
#include "ui/color_table_resource.h"

namespace quorix::document {
namespace {

constexpr int32_t kPatchMemoryCode = -3;

bool alertsAllowed() { return !documentHost().engineRunning(); }

// The records of a Synth that has no file yet; false when memory runs out.
bool makeEmptyRecords(SynthSlot& slot) {
  slot.header = newHandle(sizeof(SynthHeader));
  if (slot.header == nullptr) return false;
  auto& header = *static_cast<SynthHeader*>(slot.header->data);
  std::memset(&header, 0, sizeof header);
  header.version = kSynthVersion;
  header.midiChannel = 1;
  header.transparencyLevels = 1;
  header.screenWidth = 640;
  header.screenHeight = 480;
  header.pixelDepth = 16;

  const std::vector<uint8_t>* colors = ui::colorTableResource(ui::kDefaultColorTableId);
  slot.colors = colors != nullptr ? colorTableFromBigEndian(colors->data(), colors->size())
                                  : nullptr;
  slot.pictures = PictureTable::create(0);
  slot.movies = MovieTable::create(0);
  slot.objects = ObjectTable::create(0);
  slot.blobs = BlobTable::create(0);
  slot.tracks = TrackList::create(0);
  slot.placements = PlacementTable::create(0);
  return slot.colors != nullptr && slot.pictures != nullptr && slot.movies != nullptr &&
         slot.objects != nullptr && slot.blobs != nullptr && slot.tracks != nullptr &&
         slot.placements != nullptr;
}

}  // namespace

int32_t newSynth(const std::string& path) {
  SynthList& list = synthList();
  SynthSlot* slot = list.append();
  if (slot == nullptr) return -1;
  int32_t synth = list.count() - 1;
  if (!setFilePath(slot->file, path) || !makeEmptyRecords(*slot)) {
    freeSlotRecords(*slot);
    list.remove(synth);
    return -1;
  }
  setName(slot->name, lastPathComponent(path));
  slot->modified = 1;
  return synth;
}

int32_t closeSynth(int32_t synth, bool interactive) {
  SynthSlot* slot = synthSlot(synth);
  if (slot == nullptr) return QX_ERR_NO_SYNTH;
  if (interactive && documentHost().engineRunning()) {
    ui::alertMessage(ui::kStringEngineActive);
    return -2;
  }
  if (slot->modified != 0) {
    std::string question = "Save " + readCountedString(slot->name, sizeof slot->name) +
                           " before closing ?";
    platform::Answer answer =
        platform::alertSink().ask(ui::kAlertTitle, question, platform::Buttons::YesNoCancel);
    if (answer == platform::Answer::Cancel) return -1;
    // A save that fails keeps the document open rather than lose the user's changes.
    if (answer == platform::Answer::Yes && saveSynth(synth) != QX_OK) return -1;
  }
  documentHost().releaseSynthMedia(synth);
  slot = synthSlot(synth);
  closeChunkFile(slot->chunkFile, true);
  slot->chunkFile = nullptr;
  slot->view = nullptr;
  freeSlotRecords(*slot);
  synthList().remove(synth);
  documentHost().synthRemoved(synth);
  return QX_OK;
}

int createPatch(int32_t synth, int patch) {
  SynthHeader* header = synthHeader(synth);
  if (header == nullptr || patch < 0 || patch >= kPatchCount) return 0;
  MemHandle handle = newHandle(sizeof(PatchRecord));
  if (handle == nullptr) {
    ui::alertError(kPatchMemoryCode, ui::kStringPatchMemory);
    return 0;
  }
  auto& record = *static_cast<PatchRecord*>(handle->data);
  std::memset(&record, 0, sizeof record);
  for (KeyParams& key : record.keyParams) {
    key.param4 = 1;
    key.param5 = 1;
    key.param6 = 4;
    key.layerParam = 1;
  }
  disposeHandle(header->patches[patch]);
  header->patches[patch] = handle;
  return 1;
}

int checkDamage(int32_t synth) {
  SynthSlot* slot = synthSlot(synth);
  if (slot == nullptr) return 0;
  int warnings = 0;
  auto warn = [&](int32_t code, int message, bool withCode) {
    ++warnings;
    if (!alertsAllowed()) return;
    if (withCode) {
      ui::alertError(code, message);
    } else {
      ui::alertMessage(message);
    }
  };
  if (handleSize(slot->header) != sizeof(SynthHeader)) {
    warn(0, ui::kStringSynthDamaged, false);
  } else {
    auto& header = *static_cast<SynthHeader*>(slot->header->data);
    for (int k = 0; k < kPatchCount; ++k) {
      MemHandle patch = header.patches[k];
      if (patch != nullptr && patch->size != sizeof(PatchRecord)) {
        warn(k, ui::kStringPatchDamaged, true);
      }
    }
  }
  forEachTableChunk([&](const auto& chunk) {
    using Entry = typename std::decay_t<decltype(chunk)>::EntryType;
    if (!RecordTable<Entry>::sizeMatches(slot->*chunk.table)) warn(0, chunk.damageMessage, false);
  });
  return warnings;
}

int findPictureByName(int32_t synth, const std::string& name) {
  SynthSlot* slot = synthSlot(synth);
  if (slot == nullptr) return -1;
  for (int32_t i = 0; i < PictureTable::count(slot->pictures); ++i) {
    if (nameOf(PictureTable::at(slot->pictures, i)->name) == name) return i;
  }
  return -1;
}

int findMovieByName(int32_t synth, const std::string& name) {
  SynthSlot* slot = synthSlot(synth);
  if (slot == nullptr) return -1;
  for (int32_t i = 0; i < MovieTable::count(slot->movies); ++i) {
    const MovieEntry* movie = MovieTable::at(slot->movies, i);
    std::string stored = readCountedString(movie->fileName, sizeof movie->fileName);
    if (lastPathComponent(stored) == name) return i;
  }
  return -1;
}

}  // namespace quorix::document
