// saveSynth: writing a Synth document back to its file.
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "common/color_table.h"
#include "common/memory.h"
#include "document/chunk_file.h"
#include "document/document_host.h"
#include "document/synth_document.h"
#include "document/synth_tables.h"
#include "ui/alerts.h"

namespace quorix::document {
namespace {

struct Writer {
  ChunkFile& file;
  SynthSlot& slot;
};

// Writes a chunk of `size` bytes filled by `fill(stream)`: 0, `openCode` when the chunk cannot
// be made or memory runs out, `releaseCode` when its bytes cannot be written.
template <typename Fill>
int32_t writeChunkWith(Writer& w, FourCC type, uint32_t id, uint64_t size, int32_t openCode,
                       int32_t releaseCode, Fill&& fill) {
  if (size > UINT32_MAX) return openCode;
  std::optional<ChunkStream> stream = w.file.openForWrite(type, id, static_cast<uint32_t>(size));
  if (!stream) return openCode;
  fill(*stream);
  return w.file.release(std::move(*stream)) ? QX_OK : releaseCode;
}

SynthHeader& headerOf(Writer& w) { return *static_cast<SynthHeader*>(w.slot.header->data); }

int32_t writeHeader(Writer& w) {
  return writeChunkWith(w, kSynthChunk, 0, kSynthChunkSize, QX_ERR_SYTH_OPEN, QX_ERR_SYTH_RELEASE,
                        [&](ChunkStream& s) { transferSynthHeader(s, headerOf(w)); });
}

int32_t writePlacements(Writer& w) {
  int32_t count = PlacementTable::count(w.slot.placements);
  WindowPlacement* entries = PlacementTable::entries(w.slot.placements);
  return writeChunkWith(w, kPlacementsChunk, 0, 4 + uint64_t{kPlacementRoom} * count,
                        QX_ERR_SHARED_OPEN, QX_ERR_SHARED_RELEASE, [&](ChunkStream& s) {
                          auto stored = static_cast<uint32_t>(count);
                          s.field(stored);
                          for (int32_t i = 0; i < count; ++i) transferPlacement(s, entries[i]);
                        });
}

int32_t writePatches(Writer& w) {
  // Patches that do not exist are skipped; chunks they left in the file stay.
  for (int k = 0; k < kPatchCount; ++k) {
    MemHandle patch = headerOf(w).patches[k];
    if (patch == nullptr) continue;
    if (patch->size < sizeof(PatchRecord)) return QX_ERR_PTCH_OPEN;
    int32_t status = writeChunkWith(
        w, kPatchChunk, static_cast<uint32_t>(k), kPatchChunkSize, QX_ERR_PTCH_OPEN,
        QX_ERR_PTCH_RELEASE,
        [&](ChunkStream& s) { transferPatch(s, *static_cast<PatchRecord*>(patch->data)); });
    if (status != QX_OK) return status;
  }
  return QX_OK;
}

template <typename Entry>
int32_t writeTable(Writer& w, const TableChunk<Entry>& chunk) {
  MemHandle table = w.slot.*chunk.table;
  int32_t count = RecordTable<Entry>::count(table);
  if (count > INT16_MAX) return chunk.openCode;
  Entry* entries = RecordTable<Entry>::entries(table);
  return writeChunkWith(w, chunk.type, 0, 4 + uint64_t{chunk.room} * count, chunk.openCode,
                        chunk.releaseCode, [&](ChunkStream& s) {
                          auto stored = static_cast<int16_t>(count);
                          s.field(stored);
                          for (int32_t i = 0; i < count; ++i) chunk.transfer(s, entries[i]);
                        });
}

int32_t writeColors(Writer& w) {
  std::vector<uint8_t> bytes = colorTableToBigEndian(w.slot.colors);
  if (bytes.empty()) bytes = {0, 0, 0, 0, 0, 0, 0xFF, 0xFF};  // a table without entries
  return writeChunkWith(w, kColorsChunk, 0, bytes.size(), QX_ERR_CLUT_OPEN, QX_ERR_CLUT_RELEASE,
                        [&](ChunkStream& s) { s.bytes(bytes.data(), bytes.size()); });
}

int32_t writeTransparency(Writer& w) {
  MemHandle tables = w.slot.transparency;
  if (tables == nullptr) return QX_OK;
  return w.file.writeChunk(kTransparencyChunk, 0, tables->data, tables->size);
}

int32_t writeTrackList(Writer& w) {
  auto count = static_cast<uint32_t>(TrackList::count(w.slot.tracks));
  return writeChunkWith(w, kTrackListChunk, 0, kTrackListChunkSize, QX_ERR_RKRD_OPEN,
                        QX_ERR_RKRD_RELEASE, [&](ChunkStream& s) { s.field(count); });
}

int32_t writeBlobs(Writer& w) {
  int32_t count = BlobTable::count(w.slot.blobs);
  BlobEntry* entries = BlobTable::entries(w.slot.blobs);
  int32_t status = writeChunkWith(w, kBlobTableChunk, 0, 4 + uint64_t{kBlobRoom} * count,
                                  QX_ERR_SHARED_OPEN, QX_ERR_SHARED_RELEASE, [&](ChunkStream& s) {
                                    auto stored = static_cast<uint32_t>(count);
                                    s.field(stored);
                                    for (int32_t i = 0; i < count; ++i) transferBlobEntry(s, entries[i]);
                                  });
  for (int32_t k = 0; k < count && status == QX_OK; ++k) {
    MemHandle data = entries[k].data;
    status = writeChunkWith(w, kBlobDataChunk, static_cast<uint32_t>(k), handleSize(data),
                            QX_ERR_SHARED_OPEN, QX_ERR_SHARED_RELEASE,
                            [&](ChunkStream& s) {
                              if (data != nullptr) s.bytes(data->data, data->size);
                            });
  }
  return status;
}

int32_t writeTrackEvents(Writer& w, uint32_t k, MemHandle events) {
  TrackEventsHeader empty{};
  bool held = events != nullptr && events->size >= sizeof(TrackEventsHeader);
  auto& header = held ? *static_cast<TrackEventsHeader*>(events->data) : empty;
  uint32_t size = held ? events->size : kTrackEventsHeaderSize;
  int64_t slots = (size - kTrackEventsHeaderSize) / kTrackEventSize;
  int64_t count = header.eventCount < 0 ? 0 : (header.eventCount < slots ? header.eventCount : slots);
  auto* slotsStart = reinterpret_cast<TrackEvent*>(&header + 1);
  return writeChunkWith(w, kTrackEventsChunk, k, size, QX_ERR_RKTR_OPEN, QX_ERR_RKTR_RELEASE,
                        [&](ChunkStream& s) {
                          transferTrackEventsHeader(s, header);
                          for (int64_t i = 0; i < count; ++i) transferTrackEvent(s, slotsStart[i]);
                        });
}

int32_t writeTrackSettings(Writer& w, uint32_t k, MemHandle settings) {
  TrackSettings record = handleSize(settings) >= sizeof(TrackSettings)
                             ? *static_cast<TrackSettings*>(settings->data)
                             : defaultTrackSettings();
  return writeChunkWith(w, kTrackSettingsChunk, k, kTrackSettingsChunkSize, QX_ERR_RKLT_OPEN,
                        QX_ERR_RKLT_RELEASE, [&](ChunkStream& s) {
                          transferTrackSettings(s, record, kTrackText1Size);
                        });
}

int32_t writeTracks(Writer& w) {
  int32_t count = TrackList::count(w.slot.tracks);
  TrackHandles* tracks = TrackList::entries(w.slot.tracks);
  for (int32_t k = 0; k < count; ++k) {
    int32_t status = writeTrackEvents(w, static_cast<uint32_t>(k), tracks[k].events);
    if (status == QX_OK) status = writeTrackSettings(w, static_cast<uint32_t>(k), tracks[k].settings);
    if (status != QX_OK) return status;
  }
  // Events of tracks that no longer exist are dropped; their settings chunks stay.
  for (auto id = static_cast<uint32_t>(count);; ++id) {
    int32_t status = w.file.freeChunk(kTrackEventsChunk, id);
    if (status == QX_ERR_FREE_NOT_FOUND) return QX_OK;
    if (status != QX_OK) return status;
  }
}

using WriteStep = int32_t (*)(Writer&);

// The chunks of a Synth in the order they are written; the first failure ends the save.
constexpr WriteStep kWriteSteps[] = {
    writeHeader,
    writePlacements,
    writePatches,
    [](Writer& w) { return writeTable(w, kPictureTableChunk); },
    [](Writer& w) { return writeTable(w, kMovieTableChunk); },
    [](Writer& w) { return writeTable(w, kObjectTableChunk); },
    writeColors,
    writeTransparency,
    writeTrackList,
    writeBlobs,
    writeTracks,
};

bool alertsAllowed() { return !documentHost().engineRunning(); }

// The slot's file open for writing: the one it holds when writable, else a new one.
int32_t openForSaving(SynthSlot& slot) {
  if (slot.chunkFile != nullptr && slot.chunkFile->isOpen() && !slot.chunkFile->readOnly()) {
    return QX_OK;
  }
  ChunkFile* file = newChunkFile();
  int32_t status = file != nullptr ? file->open(filePath(slot.file), true, true) : QX_ERR_MEMORY;
  if (status != QX_OK) {
    closeChunkFile(file, false);
    if (alertsAllowed()) ui::alertError(status, ui::kStringOpenFailed);
    return status;
  }
  closeChunkFile(slot.chunkFile, false);  // a read-only one
  slot.chunkFile = file;
  return QX_OK;
}

}  // namespace

int32_t saveSynth(int32_t synth) {
  SynthSlot* slot = synthSlot(synth);
  if (slot == nullptr || handleSize(slot->header) < sizeof(SynthHeader)) return QX_ERR_NO_SYNTH;
  int32_t status = openForSaving(*slot);
  if (status != QX_OK) return status;
  checkDamage(synth);
  Writer writer{*slot->chunkFile, *slot};
  for (WriteStep step : kWriteSteps) {
    if ((status = step(writer)) != QX_OK) {
      if (alertsAllowed()) ui::alertError(status, ui::kStringDiskError);
      return status;
    }
  }
  slot->modified = 0;
  return QX_OK;
}

int32_t storePictureData(int32_t synth, int picture, const void* bytes, uint32_t size) {
  SynthSlot* slot = synthSlot(synth);
  if (slot == nullptr || picture < 0) return QX_ERR_NO_SYNTH;
  int32_t status = openForSaving(*slot);
  if (status != QX_OK) return status;
  return slot->chunkFile->writeChunk(kPictureDataChunk, static_cast<uint32_t>(picture), bytes, size);
}

}  // namespace quorix::document
