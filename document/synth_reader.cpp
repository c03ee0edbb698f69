// openSynth: reading a Synth document into a new slot of the Synth list.
#include <cstring>
#include <optional>
#include <utility>

#include "common/color_table.h"
#include "common/memory.h"
#include "document/chunk_file.h"
#include "document/document_host.h"
#include "document/synth_document.h"
#include "document/synth_tables.h"
#include "platform/alert_sink.h"
#include "platform/files.h"
#include "ui/alerts.h"

namespace quorix::document {
namespace {

// A step that failed and has already shown its own message.
constexpr int32_t kReported = 1;

bool alertsAllowed() { return !documentHost().engineRunning(); }

struct Reader {
  ChunkFile& file;
  SynthSlot& slot;
};

// A zero-filled record of type T in a new handle, or null.
template <typename T>
MemHandle newRecord() {
  MemHandle handle = newHandle(sizeof(T));
  if (handle != nullptr) std::memset(handle->data, 0, sizeof(T));
  return handle;
}

template <typename T>
T& recordOf(MemHandle handle) {
  return *static_cast<T*>(handle->data);
}

int32_t readHeader(Reader& r) {
  std::optional<ChunkStream> stream = r.file.openForRead(kSynthChunk, 0);
  if (!stream || (r.slot.header = newRecord<SynthHeader>()) == nullptr) return QX_ERR_SYTH_OPEN;
  // A shorter chunk leaves the fields beyond its end zero.
  SynthHeader& header = recordOf<SynthHeader>(r.slot.header);
  transferSynthHeader(*stream, header);
  if (!r.file.release(std::move(*stream))) return QX_ERR_SYTH_RELEASE;

  if (header.version == 0xFFFF) return QX_ERR_DISPLAY_DEPTH;
  if (header.version != kSynthVersion) {
    if (alertsAllowed()) ui::alertMessage(ui::kStringOtherVersion);
    return kReported;
  }
  if (header.currentPatch >= kPatchCount) header.currentPatch = 0;
  return QX_OK;
}

int32_t readPlacements(Reader& r) {
  std::optional<ChunkStream> stream = r.file.openForRead(kPlacementsChunk, 0);
  if (!stream) {
    if (r.file.find(kPlacementsChunk, 0) >= 0) return QX_ERR_WPOS_OPEN;
    r.slot.placements = PlacementTable::create(0);
    return r.slot.placements != nullptr ? QX_OK : QX_ERR_WPOS_OPEN;
  }
  uint32_t count = 0;
  stream->field(count);
  uint32_t held = stream->size() >= 4 ? (stream->size() - 4) / kPlacementRoom : 0;
  if (count > held) count = held;
  r.slot.placements = PlacementTable::create(static_cast<int32_t>(count));
  if (r.slot.placements == nullptr) return QX_ERR_WPOS_OPEN;
  WindowPlacement* entries = PlacementTable::entries(r.slot.placements);
  for (uint32_t i = 0; i < count; ++i) transferPlacement(*stream, entries[i]);
  return r.file.release(std::move(*stream)) ? QX_OK : QX_ERR_WPOS_RELEASE;
}

int32_t readPatches(Reader& r) {
  SynthHeader& header = recordOf<SynthHeader>(r.slot.header);
  for (int k = 0; k < kPatchCount; ++k) {
    int32_t index = r.file.find(kPatchChunk, static_cast<uint32_t>(k));
    if (index < 0 || r.file.dataSize(index) == 0) continue;  // the Patch does not exist
    std::optional<ChunkStream> stream = r.file.openForRead(kPatchChunk, static_cast<uint32_t>(k));
    if (!stream || (header.patches[k] = newRecord<PatchRecord>()) == nullptr) {
      return QX_ERR_PTCH_OPEN;
    }
    transferPatch(*stream, recordOf<PatchRecord>(header.patches[k]));
    if (!r.file.release(std::move(*stream))) return QX_ERR_PTCH_RELEASE;
  }
  return QX_OK;
}

template <typename Entry>
int32_t readTable(Reader& r, const TableChunk<Entry>& chunk) {
  std::optional<ChunkStream> stream = r.file.openForRead(chunk.type, 0);
  if (!stream) return chunk.openCode;
  int16_t count = 0;
  stream->field(count);
  // Entries beyond the chunk's end read as zero; a count below 1 means no entries.
  MemHandle table = RecordTable<Entry>::create(count);
  if ((r.slot.*chunk.table = table) == nullptr) return chunk.openCode;
  Entry* entries = RecordTable<Entry>::entries(table);
  for (int32_t i = 0; i < RecordTable<Entry>::count(table); ++i) {
    chunk.transfer(*stream, entries[i]);
    resetRuntime(entries[i]);
  }
  return r.file.release(std::move(*stream)) ? QX_OK : chunk.releaseCode;
}

int32_t readColors(Reader& r) {
  std::optional<ChunkStream> stream = r.file.openForRead(kColorsChunk, 0);
  if (!stream) return QX_ERR_CLUT_OPEN;
  // A chunk too short for the table's header reads as an empty table.
  uint8_t header[sizeof(ColorTableHeader)] = {0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  bool whole = stream->size() >= sizeof header;
  if (!whole) std::memcpy(header, stream->data(), stream->size());
  r.slot.colors = whole ? colorTableFromBigEndian(stream->data(), stream->size())
                        : colorTableFromBigEndian(header, sizeof header);
  if (r.slot.colors == nullptr) return QX_ERR_CLUT_OPEN;
  return r.file.release(std::move(*stream)) ? QX_OK : QX_ERR_CLUT_RELEASE;
}

int32_t readTransparency(Reader& r) {
  int32_t index = r.file.find(kTransparencyChunk, 0);
  if (index < 0) return QX_OK;
  uint32_t size = r.file.dataSize(index);
  if ((r.slot.transparency = newHandle(size)) == nullptr) return QX_ERR_TRSP_MEMORY;
  return r.file.readChunkPrefix(kTransparencyChunk, 0, r.slot.transparency->data, size);
}

int32_t readBlobs(Reader& r) {
  if (r.file.find(kBlobTableChunk, 0) < 0) {
    r.slot.blobs = BlobTable::create(0);
    return r.slot.blobs != nullptr ? QX_OK : QX_ERR_BLDT_EMPTY;
  }
  std::optional<ChunkStream> stream = r.file.openForRead(kBlobTableChunk, 0);
  if (!stream) return QX_ERR_BLDT_MEMORY;
  uint32_t count = 0;
  stream->field(count);
  uint32_t held = stream->size() >= 4 ? (stream->size() - 4) / 8 : 0;
  if (count > held) count = held;
  if ((r.slot.blobs = BlobTable::create(static_cast<int32_t>(count))) == nullptr) {
    return QX_ERR_BLDT_MEMORY;
  }
  BlobEntry* entries = BlobTable::entries(r.slot.blobs);
  for (uint32_t k = 0; k < count; ++k) transferBlobEntry(*stream, entries[k]);
  if (!r.file.release(std::move(*stream))) return QX_ERR_BLDT_RELEASE;
  for (uint32_t k = 0; k < count; ++k) {
    if ((entries[k].data = r.file.readChunkWhole(kBlobDataChunk, k)) == nullptr) {
      return QX_ERR_BLHD_OPEN;
    }
  }
  return QX_OK;
}

// The events of track k; a track without them has none.
int32_t readTrackEvents(Reader& r, uint32_t k, MemHandle& events) {
  if (r.file.find(kTrackEventsChunk, k) < 0) {
    events = newRecord<TrackEventsHeader>();
    return events != nullptr ? QX_OK : QX_ERR_RKTR_OPEN;
  }
  std::optional<ChunkStream> stream = r.file.openForRead(kTrackEventsChunk, k);
  if (!stream) return QX_ERR_RKTR_OPEN;
  // The block holds as many event slots as the chunk does; the counts are kept within it.
  uint32_t slots = stream->size() >= kTrackEventsHeaderSize
                       ? (stream->size() - kTrackEventsHeaderSize) / kTrackEventSize
                       : 0;
  events = newHandle(kTrackEventsHeaderSize + slots * kTrackEventSize);
  if (events == nullptr) return QX_ERR_RKTR_OPEN;
  std::memset(events->data, 0, events->size);
  auto& header = recordOf<TrackEventsHeader>(events);
  transferTrackEventsHeader(*stream, header);
  if (header.capacity > slots) header.capacity = slots;
  if (header.eventCount < 0) header.eventCount = 0;
  if (static_cast<uint32_t>(header.eventCount) > header.capacity) {
    header.eventCount = static_cast<int32_t>(header.capacity);
  }
  if (header.cursor > static_cast<uint32_t>(header.eventCount)) {
    header.cursor = static_cast<uint32_t>(header.eventCount);
  }
  auto* slotsStart = reinterpret_cast<TrackEvent*>(&header + 1);
  for (int32_t i = 0; i < header.eventCount; ++i) transferTrackEvent(*stream, slotsStart[i]);
  return r.file.release(std::move(*stream)) ? QX_OK : QX_ERR_RKTR_RELEASE;
}

// The settings of track k; missing or unreadable ones are replaced by the defaults.
int32_t readTrackSettings(Reader& r, uint32_t k, MemHandle& settings) {
  if ((settings = newRecord<TrackSettings>()) == nullptr) return QX_ERR_RKLT_OPEN;
  auto& record = recordOf<TrackSettings>(settings);
  std::optional<ChunkStream> stream = r.file.openForRead(kTrackSettingsChunk, k);
  if (!stream) {
    record = defaultTrackSettings();
    return QX_OK;
  }
  size_t text1Size =
      stream->size() == kTrackSettingsChunkSize ? kTrackText1Size : kOlderTrackText1Size;
  transferTrackSettings(*stream, record, text1Size);
  return r.file.release(std::move(*stream)) ? QX_OK : QX_ERR_RKLT_READ_RELEASE;
}

int32_t readTracks(Reader& r) {
  std::optional<ChunkStream> stream = r.file.openForRead(kTrackListChunk, 0);
  if (!stream) return QX_ERR_RKRD_OPEN;
  uint32_t count = 0;
  stream->field(count);
  if (!r.file.release(std::move(*stream))) return QX_ERR_RKRD_RELEASE;
  // A file cannot hold more tracks than chunks.
  uint32_t most = static_cast<uint32_t>(r.file.chunkCount());
  if (count > most) count = most;
  if ((r.slot.tracks = TrackList::create(static_cast<int32_t>(count))) == nullptr) {
    return QX_ERR_RKRD_OPEN;
  }
  TrackHandles* tracks = TrackList::entries(r.slot.tracks);
  for (uint32_t k = 0; k < count; ++k) {
    int32_t status = readTrackEvents(r, k, tracks[k].events);
    if (status == QX_OK) status = readTrackSettings(r, k, tracks[k].settings);
    if (status != QX_OK) return status;
  }
  return QX_OK;
}

using ReadStep = int32_t (*)(Reader&);

// The chunks of a Synth in the order they are read; the first failure ends the reading.
constexpr ReadStep kReadSteps[] = {
    readHeader,
    readPlacements,
    readPatches,
    [](Reader& r) { return readTable(r, kPictureTableChunk); },
    [](Reader& r) { return readTable(r, kMovieTableChunk); },
    [](Reader& r) { return readTable(r, kObjectTableChunk); },
    readColors,
    readTransparency,
    readBlobs,
    readTracks,
};

void reportOpenError(int32_t code) {
  if (alertsAllowed()) ui::alertError(code, ui::kStringOpenFailed);
}

// Opens the file as openSynth does: 0, an error to report, or kReported.
int32_t openFile(ChunkFile& file, const std::string& path, bool nonInteractive) {
  if (nonInteractive) return file.open(path, false, false);
  // Interactive opens write when they can; never create a file that is not there.
  int32_t status = platform::isRegularFile(path) ? file.open(path, true, true) : QX_ERR_OPEN_FAILED;
  if (status != QX_OK && status != QX_ERR_HEADER_CHUNK_SIZE) status = file.open(path, false, false);
  if (status == QX_ERR_HEADER_CHUNK_SIZE) {
    // Not a chunk file at all: the user is shown its path.
    if (alertsAllowed()) {
      platform::alertSink().ask("Kyrel", path, platform::Buttons::YesNoCancel);
    }
    return kReported;
  }
  return status;
}

}  // namespace

std::string lastPathComponent(const std::string& path) {
  size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

int32_t openSynth(const std::string& requested, bool nonInteractive) {
  std::string path = requested;
  if (path.empty()) {
    if (nonInteractive) return -1;
    path = platform::alertSink().chooseFile("File Open", "Kyrel (*.QRX)", "*.QRX");
    if (path.empty()) return -1;
  }
  SynthList& list = synthList();
  for (int32_t i = 0; i < list.count(); ++i) {
    if (filePath(list.slot(i)->file) == path) {
      if (alertsAllowed()) ui::alertMessage(ui::kStringAlreadyOpen);
      return -1;
    }
  }
  FileSpec spec;
  if (!setFilePath(spec, path)) {
    reportOpenError(QX_ERR_NO_PATH);
    return -1;
  }
  ChunkFile* file = newChunkFile();
  if (file == nullptr) {
    reportOpenError(QX_ERR_MEMORY);
    return -1;
  }
  int32_t status = openFile(*file, path, nonInteractive);
  if (status == QX_OK) status = file->verify();
  if (status != QX_OK) {
    if (status != kReported) reportOpenError(status);
    closeChunkFile(file, false);
    return -1;
  }

  SynthSlot* slot = list.append();
  if (slot == nullptr) {
    if (alertsAllowed()) ui::alertMessage(ui::kStringNotEnoughMemory);
    closeChunkFile(file, false);
    return -1;
  }
  int32_t synth = list.count() - 1;
  setName(slot->name, lastPathComponent(path));
  slot->file = spec;
  slot->chunkFile = file;

  Reader reader{*file, *slot};
  for (ReadStep step : kReadSteps) {
    if ((status = step(reader)) != QX_OK) break;
  }
  if (status != QX_OK) {
    if (status != kReported) reportOpenError(status);
    closeChunkFile(file, false);
    freeSlotRecords(*slot);
    list.remove(synth);
    return -1;
  }
  documentHost().synthOpened(path);
  checkDamage(synth);
  return synth;
}

}  // namespace quorix::document
