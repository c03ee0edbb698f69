#include "document/visual_json.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <vector>

#include "common/color_table.h"
#include "common/counted_string.h"
#include "common/cp1252.h"
#include "common/fourcc.h"
#include "common/memory.h"
#include "document/chunk_file.h"
#include "document/picture_frame.h"
#include "document/synth_document.h"
#include "document/synth_layout.h"
#include "document/synth_list.h"
#include "document/tracks.h"
#include "platform/files.h"
#include "plugin_sdk/status_codes.h"
#include "ui/color_table_resource.h"

namespace quorix::document {
namespace {

constexpr const char* kMediaKindNames[] = {nullptr, "picture", "movie", "object", "fourth"};

// ---- Describing -------------------------------------------------------------------------

// A FourCC as its four characters when they are printable, else as a number; 0 stays 0.
Json fourccValue(FourCC code) {
  if (code == 0) return 0;
  std::string text = fourccText(code);
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) {
      return Json(static_cast<int64_t>(code));
    }
  }
  return text;
}

Json rectValue(const Rect16& r) { return Json::array({r.top, r.left, r.bottom, r.right}); }

template <typename T, size_t N>
Json numbers(const T (&values)[N]) {
  Json out = Json::array();
  for (const T& value : values) out.push(Json(static_cast<int64_t>(value)));
  return out;
}

template <size_t N>
Json text(const uint8_t (&field)[N]) {
  return cp1252ToUtf8(readCountedString(field, N));
}

Json name(const uint8_t (&field)[kNameFieldSize]) { return cp1252ToUtf8(nameOf(field)); }

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

  // Writes `prefix` then `size` bytes as `fileName` and names it in `entry`.
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

Json describeHeader(const SynthHeader& h) {
  return Json::object({{"version", h.version},
                       {"currentPatch", h.currentPatch},
                       {"synthFlags", h.synthFlags},
                       {"midiChannel", h.midiChannel},
                       {"reserved1", numbers(h.reserved1)},
                       {"transparencyLevels", h.transparencyLevels},
                       {"screenWidth", h.screenWidth},
                       {"screenHeight", h.screenHeight},
                       {"pixelDepth", h.pixelDepth},
                       {"settings1", h.settings1},
                       {"settings2", h.settings2},
                       {"moviesKeepOriginalPath", h.moviesKeepOriginalPath},
                       {"renderFlags", h.renderFlags},
                       {"reserved2", numbers(h.reserved2)}});
}

Json describeKey(const PatchRecord& patch, int key) {
  KeyMedia media = decodeKeyMedia(patch.keyMedia[key]);
  Json mediaValue;
  if (media.kind != MediaKind::None) {
    mediaValue = Json::object(
        {{"kind", kMediaKindNames[static_cast<int>(media.kind)]}, {"index", media.index}});
  }
  const KeyParams& p = patch.keyParams[key];
  return Json::object({{"key", key},
                       {"keyMedia", patch.keyMedia[key]},
                       {"media", mediaValue},
                       {"keyEffect", patch.keyEffect[key]},
                       {"placement", rectValue(p.placement)},
                       {"param4", p.param4},
                       {"param5", p.param5},
                       {"param6", p.param6},
                       {"layerParam", p.layerParam},
                       {"keyFlags", p.keyFlags},
                       {"effectSettings", hexOf(patch.effectSettings[key], kEffectSettingsSize)}});
}

Json describePatches(int32_t synth) {
  Json patches = Json::array();
  const SynthHeader& header = *synthHeader(synth);
  for (int k = 0; k < kPatchCount; ++k) {
    const PatchRecord* patch = patchRecord(synth, k);
    if (patch == nullptr) continue;
    Json keys = Json::array();
    for (int key = 0; key < kKeyCount; ++key) keys.push(describeKey(*patch, key));
    patches.push(Json::object({{"number", k},
                               {"name", name(header.patchName[k])},
                               {"patchWords", numbers(patch->patchWords)},
                               {"keys", keys}}));
  }
  return patches;
}

Json describePictures(int32_t synth, ChunkFile* file, Extractor& extract) {
  Json pictures = Json::array();
  for (int i = 0; const PictureEntry* p = pictureEntry(synth, i); ++i) {
    int32_t chunk = file != nullptr ? file->find(kPictureDataChunk, static_cast<uint32_t>(i)) : -1;
    Json entry = Json::object({{"name", name(p->name)},
                               {"bounds", rectValue(p->bounds)},
                               {"format", fourccValue(p->format)},
                               {"pictureFlags", p->pictureFlags},
                               {"pictureWords", numbers(p->pictureWords)},
                               {"dataSize", chunk >= 0 ? Json(file->dataSize(chunk)) : Json()}});
    if (chunk >= 0 && extract.active()) {
      MemHandle data = file->readChunkWhole(kPictureDataChunk, static_cast<uint32_t>(i));
      if (data == nullptr) {
        extract.fail("the data of picture " + std::to_string(i) + " cannot be read");
      } else {
        std::string base = "picture-" + std::to_string(i);
        if (p->format == 0) {
          extract.write(entry, base + ".bmp", data->data, data->size);
        } else if (p->format == fourcc("PICT")) {
          extract.write(entry, base + ".pct", data->data, data->size, kPictFileHeaderSize);
        } else {
          extract.write(entry, base + ".dat", data->data, data->size);
        }
      }
      disposeHandle(data);
    }
    pictures.push(std::move(entry));
  }
  return pictures;
}

Json describeMovies(int32_t synth) {
  Json movies = Json::array();
  for (int i = 0; const MovieEntry* m = movieEntry(synth, i); ++i) {
    movies.push(Json::object({{"movieId", m->movieId},
                              {"movieWord", m->movieWord},
                              {"fileName", text(m->fileName)},
                              {"volumeName", text(m->volumeName)},
                              {"frame", rectValue(m->frame)},
                              {"movieParam", m->movieParam},
                              {"movieFlags", m->movieFlags},
                              {"movieWords", numbers(m->movieWords)}}));
  }
  return movies;
}

Json describeObjects(int32_t synth) {
  Json objects = Json::array();
  for (int i = 0; const ObjectEntry* o = objectEntry(synth, i); ++i) {
    objects.push(Json::object({{"name", name(o->name)},
                               {"objectWord", o->objectWord},
                               {"objectParams", numbers(o->objectParams)}}));
  }
  return objects;
}

Json describeColors(MemHandle colors) {
  Json entries = Json::array();
  const ColorEntry* list = colorTableEntries(colors);
  for (int i = 0; i < colorTableCount(colors); ++i) {
    entries.push(Json::array({list[i].value, list[i].red, list[i].green, list[i].blue}));
  }
  const auto* header = colors != nullptr && list != nullptr
                           ? static_cast<const ColorTableHeader*>(colors->data)
                           : nullptr;
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
    const BlobEntry& blob = BlobTable::entries(table)[i];
    Json entry = Json::object({{"id", blob.blobId},
                               {"tag", fourccValue(blob.blobTag)},
                               {"size", handleSize(blob.data)}});
    if (extract.active()) {
      extract.write(entry, "blob-" + std::to_string(i) + ".bin",
                    blob.data != nullptr ? blob.data->data : nullptr, handleSize(blob.data));
    }
    blobs.push(std::move(entry));
  }
  return blobs;
}

Json describeTrackSettings(const TrackSettings& s) {
  return Json::object({{"trackMode", s.trackMode},
                       {"trackValues", numbers(s.trackValues)},
                       {"label", text(s.label)},
                       {"text1", text(s.text1)},
                       {"trackValue6", s.trackValue6},
                       {"trackValue7", s.trackValue7},
                       {"trackValue8", s.trackValue8},
                       {"text2", text(s.text2)},
                       {"trackReserved", numbers(s.trackReserved)}});
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
    tracks.push(Json::object({{"name", text(header->name)},
                              {"eventCount", header->eventCount},
                              {"capacity", header->capacity},
                              {"trackWord", header->trackWord},
                              {"cursor", header->cursor},
                              {"events", list},
                              {"settings", describeTrackSettings(record)}}));
  }
  return tracks;
}

Json describePlacements(MemHandle table) {
  Json placements = Json::array();
  for (int32_t i = 0; i < PlacementTable::count(table); ++i) {
    const WindowPlacement& p = PlacementTable::entries(table)[i];
    placements.push(
        Json::object({{"w1", p.w1}, {"w2", p.w2}, {"w3", p.w3}, {"rect", rectValue(p.rect)}}));
  }
  return placements;
}


// ---- Building ---------------------------------------------------------------------------

// Reads members of a description into records, keeping the first problem with the place it
// was found ("patches[1].keys[4].keyEffect: ...").
class Reader {
 public:
  explicit Reader(std::string baseFolder) : baseFolder_(std::move(baseFolder)) {}

  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }
  void fail(const std::string& where, const std::string& what) {
    if (error_.empty()) error_ = where + ": " + what;
  }

  // True when `value` is an object whose members are all among `known`.
  bool object(const Json& value, const std::string& where,
              std::initializer_list<const char*> known) {
    if (!value.isObject()) {
      fail(where, "expected an object");
      return false;
    }
    for (const Json::Member& member : value.members()) {
      bool ok = false;
      for (const char* k : known) ok = ok || member.first == k;
      if (!ok) fail(where, "unknown member \"" + member.first + "\"");
    }
    return !failed();
  }

  // The array `key` of `object` (absent: an empty one).
  const std::vector<Json>& array(const Json& object, const char* key, const std::string& where) {
    static const std::vector<Json> kNone;
    const Json* value = object.find(key);
    if (value == nullptr || value->isNull()) return kNone;
    if (!value->isArray()) {
      fail(where + "." + key, "expected an array");
      return kNone;
    }
    return value->items();
  }

  // An integer in the range of T, or within [low, high] when given.
  template <typename T>
  bool number(const Json& value, T& out, const std::string& where,
              int64_t low = std::numeric_limits<T>::min(),
              int64_t high = static_cast<int64_t>(std::numeric_limits<T>::max())) {
    if (!value.isInteger() || value.asInteger() < low || value.asInteger() > high) {
      fail(where, "expected an integer from " + std::to_string(low) + " to " + std::to_string(high));
      return false;
    }
    out = static_cast<T>(value.asInteger());
    return true;
  }

  // Member `key` when present.
  template <typename T>
  void integer(const Json& object, const char* key, T& out, const std::string& where) {
    if (const Json* value = object.find(key)) number(*value, out, where + "." + key);
  }

  template <typename T, size_t N>
  void integers(const Json& object, const char* key, T (&out)[N], const std::string& where) {
    const Json* value = object.find(key);
    if (value == nullptr) return;
    std::string at = where + "." + key;
    if (!value->isArray() || value->size() != N) {
      fail(at, "expected an array of " + std::to_string(N) + " integers");
      return;
    }
    for (size_t i = 0; i < N; ++i) number((*value)[i], out[i], at + "[" + std::to_string(i) + "]");
  }

  bool rect(const Json& object, const char* key, Rect16& out, const std::string& where) {
    const Json* value = object.find(key);
    if (value == nullptr) return false;
    int16_t edges[4] = {};
    std::string at = where + "." + key;
    if (!value->isArray() || value->size() != 4) {
      fail(at, "expected [top, left, bottom, right]");
      return false;
    }
    for (size_t i = 0; i < 4; ++i) number((*value)[i], edges[i], at);
    out = {edges[0], edges[1], edges[2], edges[3]};
    return true;
  }

  // A string kept as a counted string of at most `maxLength` Windows-1252 characters.
  void text(const Json& object, const char* key, uint8_t* field, size_t fieldSize,
            size_t maxLength, const std::string& where) {
    const Json* value = object.find(key);
    if (value == nullptr) return;
    std::string at = where + "." + key;
    if (!value->isString()) {
      fail(at, "expected a string");
      return;
    }
    std::string bytes = utf8ToCp1252(value->asString());
    if (bytes.size() > maxLength) {
      fail(at, "longer than " + std::to_string(maxLength) + " characters");
      return;
    }
    writeCountedString(field, fieldSize, bytes);
  }

  template <size_t N>
  void text(const Json& object, const char* key, uint8_t (&field)[N], const std::string& where) {
    text(object, key, field, N, N - 1, where);
  }

  // A four-character code as its text, or as a number.
  void code(const Json& object, const char* key, FourCC& out, const std::string& where) {
    const Json* value = object.find(key);
    if (value == nullptr) return;
    if (value->isString()) {
      std::string bytes = utf8ToCp1252(value->asString());
      if (bytes.size() != 4) {
        fail(where + "." + key, "expected four characters or a number");
        return;
      }
      out = QX_FOURCC(bytes[0], bytes[1], bytes[2], bytes[3]);
      return;
    }
    number(*value, out, where + "." + key);
  }

  void hex(const Json& object, const char* key, uint8_t* out, size_t size, const std::string& where) {
    const Json* value = object.find(key);
    if (value == nullptr) return;
    std::string digits = value->isString() ? value->asString() : std::string();
    auto nibble = [](char c) {
      return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                          : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    bool ok = digits.size() == size * 2;
    for (size_t i = 0; ok && i < size; ++i) {
      int high = nibble(digits[2 * i]);
      int low = nibble(digits[2 * i + 1]);
      ok = high >= 0 && low >= 0;
      out[i] = static_cast<uint8_t>(high * 16 + low);
    }
    if (!ok) fail(where + "." + key, "expected " + std::to_string(size * 2) + " hexadecimal digits");
  }

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
    if (value == nullptr) return;
    uint64_t held = bytes ? bytes->size() : 0;
    if (value->isNull() && !bytes) return;
    if (!value->isInteger() || static_cast<uint64_t>(value->asInteger()) != held) {
      fail(where + "." + key, bytes ? "does not match the " + std::to_string(held) + " bytes of the file"
                                    : "data of this size needs a \"file\"");
    }
  }

 private:
  std::string baseFolder_;
  std::string error_;
};

std::string indexed(const char* list, size_t index) {
  return std::string(list) + "[" + std::to_string(index) + "]";
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

void buildHeader(Reader& in, const Json& visual, SynthHeader& h) {
  const Json* header = visual.find("header");
  if (header == nullptr) return;
  const std::string at = "header";
  if (!in.object(*header, at, {"version", "currentPatch", "synthFlags", "midiChannel",
                               "reserved1", "transparencyLevels", "screenWidth", "screenHeight",
                               "pixelDepth", "settings1", "settings2", "moviesKeepOriginalPath",
                               "renderFlags", "reserved2"})) {
    return;
  }
  in.integer(*header, "version", h.version, at);
  if (const Json* patch = header->find("currentPatch")) {
    in.number(*patch, h.currentPatch, at + ".currentPatch", 0, kPatchCount - 1);
  }
  in.integer(*header, "synthFlags", h.synthFlags, at);
  in.integer(*header, "midiChannel", h.midiChannel, at);
  in.integers(*header, "reserved1", h.reserved1, at);
  in.integer(*header, "transparencyLevels", h.transparencyLevels, at);
  in.integer(*header, "screenWidth", h.screenWidth, at);
  in.integer(*header, "screenHeight", h.screenHeight, at);
  in.integer(*header, "pixelDepth", h.pixelDepth, at);
  in.integer(*header, "settings1", h.settings1, at);
  in.integer(*header, "settings2", h.settings2, at);
  in.integer(*header, "moviesKeepOriginalPath", h.moviesKeepOriginalPath, at);
  in.integer(*header, "renderFlags", h.renderFlags, at);
  in.integers(*header, "reserved2", h.reserved2, at);
}

void buildKey(Reader& in, const Json& key, PatchRecord& patch, std::set<int>& seen,
              const std::string& at) {
  if (!in.object(key, at, {"key", "keyMedia", "media", "keyEffect", "placement", "param4",
                           "param5", "param6", "layerParam", "keyFlags", "effectSettings"})) {
    return;
  }
  int number = -1;
  if (!key.has("key") || !in.number(key["key"], number, at + ".key", 0, kKeyCount - 1)) {
    in.fail(at + ".key", "expected a key number from 0 to 127");
    return;
  }
  if (!seen.insert(number).second) in.fail(at + ".key", "key " + std::to_string(number) + " twice");
  uint16_t& ref = patch.keyMedia[number];
  in.integer(key, "keyMedia", ref, at);
  if (const Json* media = key.find("media"); media != nullptr && !media->isNull()) {
    std::string where = at + ".media";
    int kind = 0;
    int index = -1;
    if (in.object(*media, where, {"kind", "index"})) {
      for (int k = 1; k <= 4; ++k) {
        if ((*media)["kind"].isString() && (*media)["kind"].asString() == kMediaKindNames[k]) kind = k;
      }
      if (kind == 0) in.fail(where + ".kind", "expected picture, movie, object or fourth");
      in.number((*media)["index"], index, where + ".index", -1, 0x3FFE);
    }
    uint16_t encoded = encodeKeyMedia(static_cast<MediaKind>(kind), index);
    if (key.has("keyMedia") && encoded != ref) {
      in.fail(where, "does not agree with keyMedia");
    }
    ref = encoded;
  } else if (media != nullptr && key.has("keyMedia") && ref != 0) {
    in.fail(at + ".media", "null, but keyMedia names a medium");
  }
  in.integer(key, "keyEffect", patch.keyEffect[number], at);
  KeyParams& params = patch.keyParams[number];
  in.rect(key, "placement", params.placement, at);
  in.integer(key, "param4", params.param4, at);
  in.integer(key, "param5", params.param5, at);
  in.integer(key, "param6", params.param6, at);
  in.integer(key, "layerParam", params.layerParam, at);
  in.integer(key, "keyFlags", params.keyFlags, at);
  in.hex(key, "effectSettings", patch.effectSettings[number], kEffectSettingsSize, at);
}

void buildPatches(Reader& in, const Json& visual, int32_t synth) {
  std::set<int> seen;
  const std::vector<Json>& patches = in.array(visual, "patches", "visual");
  for (size_t i = 0; i < patches.size() && !in.failed(); ++i) {
    const Json& patch = patches[i];
    std::string at = indexed("patches", i);
    if (!in.object(patch, at, {"number", "name", "patchWords", "keys"})) return;
    int number = -1;
    if (!patch.has("number") || !in.number(patch["number"], number, at + ".number", 0, kPatchCount - 1)) {
      in.fail(at + ".number", "expected a Patch number from 0 to 127");
      return;
    }
    if (!seen.insert(number).second) {
      in.fail(at + ".number", "Patch " + std::to_string(number) + " twice");
      return;
    }
    if (createPatch(synth, number) == 0) {
      in.fail(at, "out of memory");
      return;
    }
    SynthHeader& header = *synthHeader(synth);
    in.text(patch, "name", header.patchName[number], kNameFieldSize, kNameMaxLength, at);
    PatchRecord& record = *patchRecord(synth, number);
    in.integers(patch, "patchWords", record.patchWords, at);
    std::set<int> keys;
    const std::vector<Json>& list = in.array(patch, "keys", at);
    for (size_t k = 0; k < list.size() && !in.failed(); ++k) {
      buildKey(in, list[k], record, keys, at + indexed(".keys", k));
    }
  }
}

// The data of a picture from its file, checked against its format: a Windows bitmap is kept as
// it is, a QuickDraw picture file loses its 512-byte header, other formats are kept as given.
// Bounds not given are the picture's size.
void buildPictureData(Reader& in, const Json& picture, PictureEntry& entry, const std::string& at) {
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

// The format a picture's file extension implies, when "format" is not given.
std::optional<FourCC> formatOfFile(const Json& picture) {
  const Json* file = picture.find("file");
  if (file == nullptr || !file->isString()) return std::nullopt;
  std::string name = file->asString();
  std::string extension = name.substr(name.find_last_of('.') == std::string::npos ? name.size()
                                                                                 : name.find_last_of('.'));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".bmp") return FourCC{0};
  if (extension == ".pct" || extension == ".pict") return fourcc("PICT");
  return std::nullopt;
}

void buildPictures(Reader& in, const Json& visual, SynthSlot& slot) {
  const std::vector<Json>& pictures = in.array(visual, "pictures", "visual");
  for (size_t i = 0; i < pictures.size() && !in.failed(); ++i) {
    const Json& picture = pictures[i];
    std::string at = indexed("pictures", i);
    if (!in.object(picture, at, {"name", "bounds", "format", "pictureFlags", "pictureWords",
                                 "dataSize", "file"})) {
      return;
    }
    PictureEntry* entry = i < INT16_MAX ? appendEntry<PictureTable>(slot.pictures) : nullptr;
    if (entry == nullptr) return in.fail(at, "too many pictures or out of memory");
    entry->scale = 1.0f;
    in.text(picture, "name", entry->name, kNameFieldSize, kNameMaxLength, at);
    in.rect(picture, "bounds", entry->bounds, at);
    if (picture.has("format")) {
      in.code(picture, "format", entry->format, at);
    } else if (std::optional<FourCC> format = formatOfFile(picture)) {
      entry->format = *format;
    } else if (picture.has("file")) {
      in.fail(at + ".format", "needed for a file that is not .bmp, .pct or .pict");
    }
    in.integer(picture, "pictureFlags", entry->pictureFlags, at);
    in.integers(picture, "pictureWords", entry->pictureWords, at);
    if (!in.failed()) buildPictureData(in, picture, *entry, at);
  }
}

void buildMovies(Reader& in, const Json& visual, SynthSlot& slot) {
  const std::vector<Json>& movies = in.array(visual, "movies", "visual");
  for (size_t i = 0; i < movies.size() && !in.failed(); ++i) {
    const Json& movie = movies[i];
    std::string at = indexed("movies", i);
    if (!in.object(movie, at, {"movieId", "movieWord", "fileName", "volumeName", "frame",
                               "movieParam", "movieFlags", "movieWords"})) {
      return;
    }
    MovieEntry* entry = i < INT16_MAX ? appendEntry<MovieTable>(slot.movies) : nullptr;
    if (entry == nullptr) return in.fail(at, "too many movies or out of memory");
    in.integer(movie, "movieId", entry->movieId, at);
    in.integer(movie, "movieWord", entry->movieWord, at);
    in.text(movie, "fileName", entry->fileName, at);
    in.text(movie, "volumeName", entry->volumeName, at);
    in.rect(movie, "frame", entry->frame, at);
    in.integer(movie, "movieParam", entry->movieParam, at);
    in.integer(movie, "movieFlags", entry->movieFlags, at);
    in.integers(movie, "movieWords", entry->movieWords, at);
  }
}

void buildObjects(Reader& in, const Json& visual, SynthSlot& slot) {
  const std::vector<Json>& objects = in.array(visual, "objects", "visual");
  for (size_t i = 0; i < objects.size() && !in.failed(); ++i) {
    const Json& object = objects[i];
    std::string at = indexed("objects", i);
    if (!in.object(object, at, {"name", "objectWord", "objectParams"})) return;
    ObjectEntry* entry = i < INT16_MAX ? appendEntry<ObjectTable>(slot.objects) : nullptr;
    if (entry == nullptr) return in.fail(at, "too many 3D objects or out of memory");
    in.text(object, "name", entry->name, kNameFieldSize, kNameMaxLength, at);
    in.integer(object, "objectWord", entry->objectWord, at);
    in.integers(object, "objectParams", entry->objectParams, at);
  }
}

void buildColors(Reader& in, const Json& visual, SynthSlot& slot) {
  const Json* table = visual.find("colorTable");
  if (table == nullptr || (table->isString() && table->asString() == "default")) return;
  const std::string at = "colorTable";
  if (!in.object(*table, at, {"seed", "flags", "entries"})) return;
  uint32_t seed = 0;
  uint16_t flags = 0;
  in.integer(*table, "seed", seed, at);
  in.integer(*table, "flags", flags, at);
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
  MemHandle colors = makeColorTable(entries.data(), static_cast<int>(entries.size()), seed, flags);
  if (colors == nullptr) return in.fail(at, "out of memory");
  disposeHandle(slot.colors);
  slot.colors = colors;
}

void buildTransparency(Reader& in, const Json& visual, SynthSlot& slot) {
  const Json* tables = visual.find("transparency");
  if (tables == nullptr || tables->isNull()) return;
  if (!in.object(*tables, "transparency", {"size", "file"})) return;
  std::optional<std::string> bytes = in.file(*tables, "transparency");
  in.size(*tables, "size", bytes, "transparency");
  if (in.failed()) return;
  if ((slot.transparency = handleOf(bytes ? *bytes : std::string())) == nullptr) {
    in.fail("transparency", "out of memory");
  }
}

void buildBlobs(Reader& in, const Json& visual, SynthSlot& slot) {
  const std::vector<Json>& blobs = in.array(visual, "blobs", "visual");
  uint32_t largest = 0;
  for (size_t i = 0; i < blobs.size() && !in.failed(); ++i) {
    const Json& blob = blobs[i];
    std::string at = indexed("blobs", i);
    if (!in.object(blob, at, {"id", "tag", "size", "file"})) return;
    BlobEntry* entry = appendEntry<BlobTable>(slot.blobs);
    if (entry == nullptr) return in.fail(at, "out of memory");
    entry->blobId = largest + 1;
    if (const Json* id = blob.find("id")) in.number(*id, entry->blobId, at + ".id", 1, UINT32_MAX);
    if (entry->blobId > largest) largest = entry->blobId;
    in.code(blob, "tag", entry->blobTag, at);
    std::optional<std::string> bytes = in.file(blob, at);
    in.size(blob, "size", bytes, at);
    if (in.failed()) return;
    if ((entry->data = handleOf(bytes ? *bytes : std::string())) == nullptr) in.fail(at, "out of memory");
  }
}

void buildTrackSettings(Reader& in, const Json& settings, TrackSettings& s, const std::string& at) {
  if (!in.object(settings, at, {"trackMode", "trackValues", "label", "text1", "trackValue6",
                                "trackValue7", "trackValue8", "text2", "trackReserved"})) {
    return;
  }
  in.integer(settings, "trackMode", s.trackMode, at);
  in.integers(settings, "trackValues", s.trackValues, at);
  in.text(settings, "label", s.label, at);
  in.text(settings, "text1", s.text1, at);
  in.integer(settings, "trackValue6", s.trackValue6, at);
  in.integer(settings, "trackValue7", s.trackValue7, at);
  in.integer(settings, "trackValue8", s.trackValue8, at);
  in.text(settings, "text2", s.text2, at);
  in.integers(settings, "trackReserved", s.trackReserved, at);
}

void buildTracks(Reader& in, const Json& visual, int32_t synth) {
  const std::vector<Json>& tracks = in.array(visual, "tracks", "visual");
  for (size_t i = 0; i < tracks.size() && !in.failed(); ++i) {
    const Json& track = tracks[i];
    std::string at = indexed("tracks", i);
    if (!in.object(track, at, {"name", "eventCount", "capacity", "trackWord", "cursor", "events",
                               "settings"})) {
      return;
    }
    const std::vector<Json>& events = in.array(track, "events", at);
    uint32_t capacity = static_cast<uint32_t>(events.size());
    in.integer(track, "capacity", capacity, at);
    if (capacity < events.size()) return in.fail(at + ".capacity", "less than the events");
    if (capacity > (INT32_MAX - sizeof(TrackEventsHeader)) / sizeof(TrackEvent)) {
      return in.fail(at + ".capacity", "too large");
    }
    int index = addTrack(synth, "", capacity);
    if (index < 0) return in.fail(at, "out of memory");
    MemHandle handle = trackEvents(synth, index);
    TrackEventsHeader& header = *trackHeader(handle);
    in.text(track, "name", header.name, at);
    in.integer(track, "trackWord", header.trackWord, at);
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
    header.eventCount = static_cast<int32_t>(events.size());
    if (const Json* count = track.find("eventCount")) {
      if (!count->isInteger() || count->asInteger() != header.eventCount) {
        in.fail(at + ".eventCount", "does not match the events");
      }
    }
    if (const Json* cursor = track.find("cursor")) {
      in.number(*cursor, header.cursor, at + ".cursor", 0, header.eventCount);
    }
    if (const Json* settings = track.find("settings")) {
      buildTrackSettings(in, *settings, *static_cast<TrackSettings*>(trackSettings(synth, index)->data),
                         at + ".settings");
    }
  }
}

void buildPlacements(Reader& in, const Json& visual, SynthSlot& slot) {
  const std::vector<Json>& placements = in.array(visual, "placements", "visual");
  for (size_t i = 0; i < placements.size() && !in.failed(); ++i) {
    const Json& placement = placements[i];
    std::string at = indexed("placements", i);
    if (!in.object(placement, at, {"w1", "w2", "w3", "rect"})) return;
    WindowPlacement* entry = appendEntry<PlacementTable>(slot.placements);
    if (entry == nullptr) return in.fail(at, "out of memory");
    in.integer(placement, "w1", entry->w1, at);
    in.integer(placement, "w2", entry->w2, at);
    in.integer(placement, "w3", entry->w3, at);
    in.rect(placement, "rect", entry->rect, at);
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
  Json visual = Json::object({{"chunks", describeChunks(slot->chunkFile)},
                              {"header", describeHeader(*synthHeader(synth))},
                              {"patches", describePatches(synth)},
                              {"pictures", describePictures(synth, slot->chunkFile, extract)},
                              {"movies", describeMovies(synth)},
                              {"objects", describeObjects(synth)},
                              {"colorTable", describeColors(slot->colors)},
                              {"transparency", describeTransparency(slot->transparency, extract)},
                              {"blobs", describeBlobs(slot->blobs, extract)},
                              {"tracks", describeTracks(synth)},
                              {"placements", describePlacements(slot->placements)}});
  if (!extract.error().empty()) {
    if (error != nullptr) *error = extract.error();
    return std::nullopt;
  }
  return visual;
}

bool buildSynth(const Json& visual, const std::string& baseFolder, int32_t synth,
                std::string* error) {
  SynthSlot* slot = synthSlot(synth);
  Reader in(baseFolder);
  if (slot == nullptr || synthHeader(synth) == nullptr) {
    in.fail("visual", "no Synth to fill");
  } else if (in.object(visual, "visual", {"chunks", "header", "patches", "pictures", "movies",
                                          "objects", "colorTable", "transparency", "blobs",
                                          "tracks", "placements"})) {
    buildHeader(in, visual, *synthHeader(synth));
    buildPatches(in, visual, synth);
    buildPictures(in, visual, *slot);
    buildMovies(in, visual, *slot);
    buildObjects(in, visual, *slot);
    buildColors(in, visual, *slot);
    buildTransparency(in, visual, *slot);
    buildBlobs(in, visual, *slot);
    buildTracks(in, visual, synth);
    buildPlacements(in, visual, *slot);
  }
  if (in.failed() && error != nullptr) *error = in.error();
  return !in.failed();
}

bool writeVisual(const Json& visual, const std::string& baseFolder, const std::string& path,
                 std::string* error) {
  int32_t synth = newSynth(path);
  if (synth < 0) {
    if (error != nullptr) *error = "cannot make a Synth for '" + path + "' (out of memory, or the path is too long)";
    return false;
  }
  if (!buildSynth(visual, baseFolder, synth, error)) {
    discard(synth);
    return false;
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
    if (error != nullptr) *error = "cannot write '" + path + "' (error " + std::to_string(status) + ")";
    discard(synth);
    return false;
  }
  synthSlot(synth)->modified = 0;
  closeSynth(synth, false);
  return true;
}

}  // namespace quorix::document
