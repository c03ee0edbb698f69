#include "document/visual_json.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "common/color_table.h"
#include "common/cp1252.h"
#include "common/fourcc.h"
#include "common/memory.h"
#include "document/chunk_file.h"
#include "document/picture_frame.h"
#include "document/synth_document.h"
#include "document/synth_layout.h"
#include "document/synth_list.h"
#include "document/tracks.h"
#include "document/visual_fields.h"
#include "platform/files.h"
#include "plugin_sdk/status_codes.h"

namespace quorix::document {
namespace {

constexpr const char* kMediaKindNames[] = {nullptr, "picture", "movie", "object", "fourth"};

// ---- Describing -------------------------------------------------------------------------

std::string hexOf(const uint8_t* bytes, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

// Writes extracted files into one folder; the first failure is kept.
class Extractor {
 public:
  explicit Extractor(std::string folder) : folder_(std::move(folder)) {}
  bool active() const { return !folder_.empty(); }
  const std::string& error() const { return error_; }

  // Writes `prefix` zero bytes then `size` bytes as `fileName`, and names it in `entry`.
  void write(Json& entry, const std::string& fileName, const void* bytes, size_t size,
             size_t prefix = 0) {
    if (!error_.empty()) return;
    if (!made_ && !(made_ = platform::makeFolders(folder_))) {
      error_ = "cannot make the folder '" + folder_ + "'";
      return;
    }
    std::ofstream out(folder_ + "/" + fileName, std::ios::binary | std::ios::trunc);
    std::string zeros(prefix, '\0');
    out.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    if (size > 0) out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    if (!out) error_ = "cannot write '" + folder_ + "/" + fileName + "'";
    entry.set("file", fileName);
  }
  void fail(const std::string& message) {
    if (error_.empty()) error_ = message;
  }

 private:
  std::string folder_;
  std::string error_;
  bool made_ = false;
};

Json describeChunks(const ChunkFile* file) {
  Json chunks = Json::array();
  for (int32_t i = 0; file != nullptr && i < file->chunkCount(); ++i) {
    const ChunkEntry& e = file->entry(i);
    Json type = e.type == kFreedChunk ? Json() : Json(cp1252ToUtf8(fourccText(e.type)));
    chunks.push(Json::object({{"type", type}, {"id", e.id}, {"used", e.used},
                              {"allocated", e.allocated}, {"offset", e.offset}}));
  }
  return chunks;
}

Json describeKey(const PatchRecord& patch, int key) {
  Json out = describeFields(&patch.keyParams[key], kKeyFields);
  KeyMedia media = decodeKeyMedia(patch.keyMedia[key]);
  if (media.kind != MediaKind::None) {
    out.set("media", Json::object({{"kind", kMediaKindNames[static_cast<int>(media.kind)]},
                                   {"index", media.index}}));
  }
  out.set("key", key);
  out.set("keyMedia", patch.keyMedia[key]);
  out.set("keyEffect", patch.keyEffect[key]);
  out.set("effectSettings", hexOf(patch.effectSettings[key], kEffectSettingsSize));
  return out;
}

Json describePatches(int32_t synth) {
  Json patches = Json::array();
  const SynthHeader& header = *synthHeader(synth);
  for (int k = 0; k < kPatchCount; ++k) {
    const PatchRecord* patch = patchRecord(synth, k);
    if (patch == nullptr) continue;
    Json keys = Json::array();
    for (int key = 0; key < kKeyCount; ++key) keys.push(describeKey(*patch, key));
    Json entry = describeFields(patch, kPatchFields);
    entry.set("number", k);
    entry.set("name", cp1252ToUtf8(nameOf(header.patchName[k])));
    entry.set("keys", std::move(keys));
    patches.push(std::move(entry));
  }
  return patches;
}

Json describePictures(int32_t synth, ChunkFile* file, Extractor& extract) {
  Json pictures = Json::array();
  for (int i = 0; const PictureEntry* p = pictureEntry(synth, i); ++i) {
    Json entry = describeFields(p, kPictureFields);
    int32_t chunk = file != nullptr ? file->find(kPictureDataChunk, static_cast<uint32_t>(i)) : -1;
    entry.set("dataSize", chunk >= 0 ? Json(file->dataSize(chunk)) : Json());
    if (chunk >= 0 && extract.active()) {
      MemHandle data = file->readChunkWhole(kPictureDataChunk, static_cast<uint32_t>(i));
      std::string base = "picture-" + std::to_string(i);
      if (data == nullptr) {
        extract.fail("the data of picture " + std::to_string(i) + " cannot be read");
      } else if (p->format == 0) {
        extract.write(entry, base + ".bmp", data->data, data->size);
      } else if (p->format == fourcc("PICT")) {
        extract.write(entry, base + ".pct", data->data, data->size, kPictFileHeaderSize);
      } else {
        extract.write(entry, base + ".dat", data->data, data->size);
      }
      disposeHandle(data);
    }
    pictures.push(std::move(entry));
  }
  return pictures;
}

template <typename Table>
Json describeTable(MemHandle table, FieldTable fields) {
  Json list = Json::array();
  for (int32_t i = 0; i < Table::count(table); ++i) list.push(describeFields(Table::at(table, i), fields));
  return list;
}

Json describeColors(MemHandle colors) {
  Json entries = Json::array();
  const ColorEntry* list = colorTableEntries(colors);
  for (int i = 0; i < colorTableCount(colors); ++i) {
    entries.push(Json::array({list[i].value, list[i].red, list[i].green, list[i].blue}));
  }
  const auto* header = list != nullptr ? static_cast<const ColorTableHeader*>(colors->data) : nullptr;
  return Json::object({{"seed", header != nullptr ? header->seed : 0u},
                       {"flags", header != nullptr ? header->flags : 0},
                       {"entries", entries}});
}

Json describeTransparency(MemHandle tables, Extractor& extract) {
  if (tables == nullptr) return Json();
  Json entry = Json::object({{"size", tables->size}});
  if (extract.active()) extract.write(entry, "transparency.bin", tables->data, tables->size);
  return entry;
}

Json describeBlobs(MemHandle table, Extractor& extract) {
  Json blobs = Json::array();
  for (int32_t i = 0; i < BlobTable::count(table); ++i) {
    const BlobEntry& blob = *BlobTable::at(table, i);
    Json entry = describeFields(&blob, kBlobFields);
    entry.set("id", blob.blobId);
    entry.set("size", handleSize(blob.data));
    if (extract.active()) {
      extract.write(entry, "blob-" + std::to_string(i) + ".bin",
                    blob.data != nullptr ? blob.data->data : nullptr, handleSize(blob.data));
    }
    blobs.push(std::move(entry));
  }
  return blobs;
}

Json describeTracks(int32_t synth) {
  Json tracks = Json::array();
  for (int k = 0; MemHandle events = trackEvents(synth, k); ++k) {
    const TrackEventsHeader* header = trackHeader(events);
    if (header == nullptr) continue;
    Json list = Json::array();
    const TrackEvent* slots = trackEventSlots(events);
    for (int32_t i = 0; i < trackEventCount(events); ++i) {
      list.push(Json::array({slots[i].time, slots[i].status, slots[i].keyAndValue >> 16,
                             slots[i].keyAndValue & 0xFFFF}));
    }
    MemHandle settings = trackSettings(synth, k);
    TrackSettings record = handleSize(settings) >= sizeof(TrackSettings)
                               ? *static_cast<TrackSettings*>(settings->data)
                               : defaultTrackSettings();
    Json track = describeFields(header, kTrackFields);
    track.set("eventCount", header->eventCount);
    track.set("capacity", header->capacity);
    track.set("cursor", header->cursor);
    track.set("events", list);
    track.set("settings", describeFields(&record, kTrackSettingsFields));
    tracks.push(std::move(track));
  }
  return tracks;
}

// ---- Building ---------------------------------------------------------------------------

std::string indexed(const std::string& list, size_t index) {
  return list + "[" + std::to_string(index) + "]";
}

MemHandle handleOf(const std::string& bytes) {
  return newHandleCopy(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// Appends a zero-filled entry to a table; null when memory runs out.
template <typename Table>
auto* appendEntry(MemHandle table) {
  int32_t count = Table::count(table);
  return Table::resize(table, count + 1) ? Table::at(table, count) : nullptr;
}

// Reads a description's members that the field tables do not cover: the files it names.
class Builder : public JsonReader {
 public:
  Builder(std::string baseFolder, int32_t synth) : baseFolder_(std::move(baseFolder)), synth_(synth) {}
  int32_t synth() const { return synth_; }
  SynthSlot& slot() const { return *synthSlot(synth_); }

  // The bytes of the file named by member "file", when there is one.
  std::optional<std::string> file(const Json& object, const std::string& where,
                                  std::string* fileName = nullptr) {
    const Json* value = object.find("file");
    if (value == nullptr || value->isNull()) return std::nullopt;
    if (!value->isString() || value->asString().empty()) {
      fail(where + ".file", "expected a file name");
      return std::nullopt;
    }
    std::string path = value->asString();
    if (path[0] != '/' && !baseFolder_.empty()) path = baseFolder_ + "/" + path;
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
      fail(where + ".file", "cannot read '" + path + "'");
      return std::nullopt;
    }
    if (fileName != nullptr) *fileName = value->asString();
    return bytes;
  }

  // Checks a size member given beside a file against the bytes the file gave.
  void size(const Json& object, const char* key, const std::optional<std::string>& bytes,
            const std::string& where) {
    const Json* value = object.find(key);
    if (value == nullptr || (value->isNull() && !bytes)) return;
    uint64_t held = bytes ? bytes->size() : 0;
    if (!value->isInteger() || static_cast<uint64_t>(value->asInteger()) != held) {
      fail(where + "." + key, bytes ? "does not match the " + std::to_string(held) + " bytes of the file"
                                    : "data of this size needs a \"file\"");
    }
  }

  // The data a description names in "file" (and "size"), as a new handle; an empty one when
  // none is named.
  MemHandle data(const Json& object, const char* sizeKey, const std::string& where) {
    std::optional<std::string> bytes = file(object, where);
    size(object, sizeKey, bytes, where);
    if (failed()) return nullptr;
    MemHandle handle = handleOf(bytes ? *bytes : std::string());
    if (handle == nullptr) fail(where, "out of memory");
    return handle;
  }

 private:
  std::string baseFolder_;
  int32_t synth_;
};

void buildKey(Builder& in, const Json& key, PatchRecord& patch, std::set<int>& seen,
              const std::string& at) {
  if (!in.object(key, at, kKeyFields)) return;
  int number = -1;
  const Json* given = key.find("key");
  if (given == nullptr || !in.number(*given, number, at + ".key", 0, kKeyCount - 1)) {
    return in.fail(at + ".key", "expected a key number from 0 to 127");
  }
  if (!seen.insert(number).second) return in.fail(at + ".key", "key " + std::to_string(number) + " twice");
  in.fields(key, &patch.keyParams[number], kKeyFields, at);
  uint16_t& ref = patch.keyMedia[number];
  const Json* raw = key.find("keyMedia");
  if (raw != nullptr) in.number(*raw, ref, at + ".keyMedia");
  if (const Json* media = key.find("media"); media != nullptr && !media->isNull()) {
    std::string where = at + ".media";
    int kind = 0;
    int index = -1;
    if (media->isObject() && media->size() == 2 && media->has("kind") && media->has("index")) {
      for (int k = 1; k <= 4; ++k) {
        if ((*media)["kind"].isString() && (*media)["kind"].asString() == kMediaKindNames[k]) kind = k;
      }
      if (kind == 0) in.fail(where + ".kind", "expected picture, movie, object or fourth");
      in.number((*media)["index"], index, where + ".index", -1, 0x3FFE);
    } else {
      in.fail(where, "expected {\"kind\", \"index\"} or null");
    }
    uint16_t encoded = encodeKeyMedia(static_cast<MediaKind>(kind), index);
    if (raw != nullptr && encoded != ref) in.fail(where, "does not agree with keyMedia");
    ref = encoded;
  } else if (media != nullptr && ref != 0) {
    in.fail(at + ".media", "null, but keyMedia names a medium");
  }
  if (const Json* effect = key.find("keyEffect")) in.number(*effect, patch.keyEffect[number], at + ".keyEffect");
  if (const Json* settings = key.find("effectSettings")) {
    in.hex(*settings, patch.effectSettings[number], kEffectSettingsSize, at + ".effectSettings");
  }
}

void buildPatches(Builder& in, const Json& visual) {
  std::set<int> seen;
  const std::vector<Json>& patches = in.array(visual, "patches", "visual");
  for (size_t i = 0; i < patches.size() && !in.failed(); ++i) {
    const Json& patch = patches[i];
    std::string at = indexed("patches", i);
    if (!in.object(patch, at, kPatchFields)) return;
    int number = -1;
    const Json* given = patch.find("number");
    if (given == nullptr || !in.number(*given, number, at + ".number", 0, kPatchCount - 1)) {
      return in.fail(at + ".number", "expected a Patch number from 0 to 127");
    }
    if (!seen.insert(number).second) return in.fail(at + ".number", "Patch " + std::to_string(number) + " twice");
    if (createPatch(in.synth(), number) == 0) return in.fail(at, "out of memory");
    constexpr FieldSpec kName[] = {{"name", FieldKind::Name, 0, 1, 0}};
    in.fields(patch, synthHeader(in.synth())->patchName[number], kName, at);
    PatchRecord& record = *patchRecord(in.synth(), number);
    in.fields(patch, &record, kPatchFields, at);
    std::set<int> keys;
    const std::vector<Json>& list = in.array(patch, "keys", at);
    for (size_t k = 0; k < list.size() && !in.failed(); ++k) {
      buildKey(in, list[k], record, keys, at + indexed(".keys", k));
    }
  }
}

// The format a picture's file extension implies, when "format" is not given.
std::optional<FourCC> formatOfFile(const Json& picture) {
  const Json* file = picture.find("file");
  if (file == nullptr || !file->isString()) return std::nullopt;
  const std::string& name = file->asString();
  size_t dot = name.find_last_of('.');
  std::string extension = dot == std::string::npos ? "" : name.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".bmp") return FourCC{0};
  if (extension == ".pct" || extension == ".pict") return fourcc("PICT");
  return std::nullopt;
}

// The data of a picture from its file, checked against its format: a Windows bitmap is kept as
// it is, a QuickDraw picture file loses its 512-byte header, other formats are kept as given.
// Bounds not given are the picture's size.
void buildPictureData(Builder& in, const Json& picture, PictureEntry& entry, const std::string& at) {
  std::string fileName;
  std::optional<std::string> bytes = in.file(picture, at, &fileName);
  std::optional<Rect16> frame;
  if (bytes && entry.format == 0) {
    frame = bitmapFrame(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size());
    if (!frame) in.fail(at + ".file", "'" + fileName + "' is not a Windows bitmap");
  } else if (bytes && entry.format == fourcc("PICT")) {
    if (bytes->size() >= kPictFileHeaderSize) {
      bytes->erase(0, kPictFileHeaderSize);
      frame = pictFrame(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size());
    }
    if (!frame) in.fail(at + ".file", "'" + fileName + "' is not a QuickDraw picture file");
  }
  in.size(picture, "dataSize", bytes, at);
  if (in.failed()) return;
  if (!picture.has("bounds") && frame) entry.bounds = *frame;
  if (!picture.has("bounds") && bytes && !frame) {
    return in.fail(at + ".bounds", "needed for a picture that is not a bitmap or QuickDraw file");
  }
  if (bytes && (entry.data = handleOf(*bytes)) == nullptr) in.fail(at, "out of memory");
}

void buildPictures(Builder& in, const Json& visual) {
  const std::vector<Json>& pictures = in.array(visual, "pictures", "visual");
  for (size_t i = 0; i < pictures.size() && !in.failed(); ++i) {
    const Json& picture = pictures[i];
    std::string at = indexed("pictures", i);
    if (!in.object(picture, at, kPictureFields, {"file"})) return;
    PictureEntry* entry = i < INT16_MAX ? appendEntry<PictureTable>(in.slot().pictures) : nullptr;
    if (entry == nullptr) return in.fail(at, "too many pictures or out of memory");
    entry->scale = 1.0f;
    in.fields(picture, entry, kPictureFields, at);
    if (!picture.has("format")) {
      if (std::optional<FourCC> format = formatOfFile(picture)) {
        entry->format = *format;
      } else if (picture.has("file")) {
        in.fail(at + ".format", "needed for a file that is not .bmp, .pct or .pict");
      }
    }
    if (!in.failed()) buildPictureData(in, picture, *entry, at);
  }
}

// A media table whose entries are all fields: movies, 3D objects, window placements.
template <typename Table>
void buildTable(Builder& in, const Json& visual, const char* list, MemHandle table,
                FieldTable fields, int64_t most) {
  const std::vector<Json>& items = in.array(visual, list, "visual");
  for (size_t i = 0; i < items.size() && !in.failed(); ++i) {
    std::string at = indexed(list, i);
    if (!in.object(items[i], at, fields)) return;
    auto* entry = static_cast<int64_t>(i) < most ? appendEntry<Table>(table) : nullptr;
    if (entry == nullptr) return in.fail(at, "too many entries or out of memory");
    in.fields(items[i], entry, fields, at);
  }
}

void buildColors(Builder& in, const Json& visual) {
  const Json* table = visual.find("colorTable");
  if (table == nullptr || (table->isString() && table->asString() == "default")) return;
  const std::string at = "colorTable";
  constexpr FieldSpec kColorMembers[] = {{"seed", FieldKind::U32, offsetof(ColorTableHeader, seed), 1, 0},
                                         {"flags", FieldKind::U16, offsetof(ColorTableHeader, flags), 1, 0},
                                         {"entries", FieldKind::Special, 0, 0, 0}};
  if (!in.object(*table, at, kColorMembers)) return;
  ColorTableHeader header{};
  in.fields(*table, &header, kColorMembers, at);
  const std::vector<Json>& list = in.array(*table, "entries", at);
  if (list.size() > 32768) return in.fail(at + ".entries", "more than 32768 entries");
  std::vector<ColorEntry> entries(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    std::string where = at + indexed(".entries", i);
    if (!list[i].isArray() || list[i].size() != 4) return in.fail(where, "expected [value, red, green, blue]");
    in.number(list[i][0], entries[i].value, where);
    in.number(list[i][1], entries[i].red, where);
    in.number(list[i][2], entries[i].green, where);
    in.number(list[i][3], entries[i].blue, where);
  }
  if (in.failed()) return;
  MemHandle colors = makeColorTable(entries.data(), static_cast<int>(entries.size()), header.seed, header.flags);
  if (colors == nullptr) return in.fail(at, "out of memory");
  disposeHandle(in.slot().colors);
  in.slot().colors = colors;
}

void buildTransparency(Builder& in, const Json& visual) {
  const Json* tables = visual.find("transparency");
  if (tables == nullptr || tables->isNull()) return;
  if (!in.object(*tables, "transparency", {}, {"size", "file"})) return;
  in.slot().transparency = in.data(*tables, "size", "transparency");
}

void buildBlobs(Builder& in, const Json& visual) {
  const std::vector<Json>& blobs = in.array(visual, "blobs", "visual");
  uint32_t largest = 0;
  for (size_t i = 0; i < blobs.size() && !in.failed(); ++i) {
    const Json& blob = blobs[i];
    std::string at = indexed("blobs", i);
    if (!in.object(blob, at, kBlobFields, {"file"})) return;
    BlobEntry* entry = appendEntry<BlobTable>(in.slot().blobs);
    if (entry == nullptr) return in.fail(at, "out of memory");
    entry->blobId = largest + 1;
    if (const Json* id = blob.find("id")) in.number(*id, entry->blobId, at + ".id", 1, UINT32_MAX);
    largest = std::max(largest, entry->blobId);
    in.fields(blob, entry, kBlobFields, at);
    entry->data = in.data(blob, "size", at);
  }
}

void buildEvents(Builder& in, const std::vector<Json>& events, MemHandle handle, const std::string& at) {
  TrackEvent* slots = trackEventSlots(handle);
  for (size_t e = 0; e < events.size() && !in.failed(); ++e) {
    std::string where = at + indexed(".events", e);
    const Json& event = events[e];
    uint16_t key = 0;
    uint16_t value = 0;
    if (!event.isArray() || event.size() != 4) return in.fail(where, "expected [time, status, key, value]");
    in.number(event[0], slots[e].time, where);
    in.number(event[1], slots[e].status, where);
    in.number(event[2], key, where);
    in.number(event[3], value, where);
    slots[e].keyAndValue = (uint32_t{key} << 16) | value;
    if (e > 0 && slots[e].time < slots[e - 1].time) in.fail(where, "earlier than the event before");
  }
}

void buildTracks(Builder& in, const Json& visual) {
  const std::vector<Json>& tracks = in.array(visual, "tracks", "visual");
  for (size_t i = 0; i < tracks.size() && !in.failed(); ++i) {
    const Json& track = tracks[i];
    std::string at = indexed("tracks", i);
    if (!in.object(track, at, kTrackFields)) return;
    const std::vector<Json>& events = in.array(track, "events", at);
    uint32_t capacity = static_cast<uint32_t>(events.size());
    const Json* given = track.find("capacity");
    if (given != nullptr &&
        in.number(*given, capacity, at + ".capacity", 0,
                  (INT32_MAX - sizeof(TrackEventsHeader)) / sizeof(TrackEvent)) &&
        capacity < events.size()) {
      in.fail(at + ".capacity", "less than the events");
    }
    int index = in.failed() ? -1 : addTrack(in.synth(), "", capacity);
    if (index < 0) return in.fail(at, "out of memory");
    MemHandle handle = trackEvents(in.synth(), index);
    TrackEventsHeader& header = *trackHeader(handle);
    in.fields(track, &header, kTrackFields, at);
    buildEvents(in, events, handle, at);
    header.eventCount = static_cast<int32_t>(events.size());
    if (const Json* count = track.find("eventCount");
        count != nullptr && !(count->isInteger() && count->asInteger() == header.eventCount)) {
      in.fail(at + ".eventCount", "does not match the events");
    }
    if (const Json* cursor = track.find("cursor")) {
      in.number(*cursor, header.cursor, at + ".cursor", 0, header.eventCount);
    }
    if (const Json* settings = track.find("settings")) {
      if (in.object(*settings, at + ".settings", kTrackSettingsFields)) {
        in.fields(*settings, trackSettings(in.synth(), index)->data, kTrackSettingsFields, at + ".settings");
      }
    }
  }
}

// Closes a Synth that is not to be kept: its file without committing, then the rest.
void discard(int32_t synth) {
  SynthSlot* slot = synthSlot(synth);
  closeChunkFile(slot->chunkFile, false);
  slot->chunkFile = nullptr;
  slot->modified = 0;
  closeSynth(synth, false);
}

}  // namespace

std::optional<Json> describeSynth(int32_t synth, const std::string& extractFolder,
                                  std::string* error) {
  SynthSlot* slot = synthSlot(synth);
  if (slot == nullptr || synthHeader(synth) == nullptr) {
    if (error != nullptr) *error = "no such Synth";
    return std::nullopt;
  }
  Extractor extract(extractFolder);
  Json visual = Json::object(
      {{"chunks", describeChunks(slot->chunkFile)},
       {"header", describeFields(synthHeader(synth), kHeaderFields)},
       {"patches", describePatches(synth)},
       {"pictures", describePictures(synth, slot->chunkFile, extract)},
       {"movies", describeTable<MovieTable>(slot->movies, kMovieFields)},
       {"objects", describeTable<ObjectTable>(slot->objects, kObjectFields)},
       {"colorTable", describeColors(slot->colors)},
       {"transparency", describeTransparency(slot->transparency, extract)},
       {"blobs", describeBlobs(slot->blobs, extract)},
       {"tracks", describeTracks(synth)},
       {"placements", describeTable<PlacementTable>(slot->placements, kPlacementFields)}});
  if (!extract.error().empty()) {
    if (error != nullptr) *error = extract.error();
    return std::nullopt;
  }
  return visual;
}

bool buildSynth(const Json& visual, const std::string& baseFolder, int32_t synth,
                std::string* error) {
  Builder in(baseFolder, synth);
  if (synthSlot(synth) == nullptr || synthHeader(synth) == nullptr) {
    in.fail("visual", "no Synth to fill");
  } else if (in.object(visual, "visual", {}, {"chunks", "header", "patches", "pictures", "movies",
                                              "objects", "colorTable", "transparency", "blobs",
                                              "tracks", "placements"})) {
    if (const Json* header = visual.find("header"); header && in.object(*header, "header", kHeaderFields)) {
      in.fields(*header, synthHeader(synth), kHeaderFields, "header");
    }
    buildPatches(in, visual);
    buildPictures(in, visual);
    buildTable<MovieTable>(in, visual, "movies", in.slot().movies, kMovieFields, INT16_MAX);
    buildTable<ObjectTable>(in, visual, "objects", in.slot().objects, kObjectFields, INT16_MAX);
    buildColors(in, visual);
    buildTransparency(in, visual);
    buildBlobs(in, visual);
    buildTracks(in, visual);
    buildTable<PlacementTable>(in, visual, "placements", in.slot().placements, kPlacementFields, INT32_MAX);
  }
  if (in.failed() && error != nullptr) *error = in.error();
  return !in.failed();
}

VisualWrite writeVisual(const Json& visual, const std::string& baseFolder,
                        const std::string& path, std::string* error) {
  int32_t synth = newSynth(path);
  if (synth < 0) {
    if (error != nullptr) *error = "out of memory, or the path is too long";
    return VisualWrite::NotWritten;
  }
  if (!buildSynth(visual, baseFolder, synth, error)) {
    discard(synth);
    return VisualWrite::Invalid;
  }
  int32_t status = saveSynth(synth);
  for (int i = 0; status == QX_OK && pictureEntry(synth, i) != nullptr; ++i) {
    MemHandle data = pictureEntry(synth, i)->data;
    if (data != nullptr) status = storePictureData(synth, i, data->data, data->size);
  }
  if (status == QX_OK) {
    SynthSlot* slot = synthSlot(synth);
    status = closeChunkFile(slot->chunkFile, true);
    slot->chunkFile = nullptr;
  }
  if (status != QX_OK) {
    if (error != nullptr) *error = "error " + std::to_string(status);
    discard(synth);
    return VisualWrite::NotWritten;
  }
  synthSlot(synth)->modified = 0;
  closeSynth(synth, false);
  return VisualWrite::Written;
}

}  // namespace quorix::document
