#include "document/visual_fields.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "common/counted_string.h"
#include "common/cp1252.h"
#include "common/fourcc.h"
#include "document/synth_records.h"

namespace quorix::document {
namespace {

template <typename T>
constexpr size_t elementsOf() {
  if constexpr (std::is_array_v<T> && std::is_integral_v<std::remove_extent_t<T>>) {
    return std::extent_v<T>;
  } else {
    return 1;
  }
}

#define QX_FIELD(Record, member, kind) \
  FieldSpec{#member, FieldKind::kind, offsetof(Record, member), elementsOf<decltype(Record::member)>(), 0}
#define QX_SPECIAL(member) FieldSpec{#member, FieldKind::Special, 0, 0, 0}

constexpr FieldSpec kHeader[] = {
    QX_FIELD(SynthHeader, version, U16),
    {"currentPatch", FieldKind::U16, offsetof(SynthHeader, currentPatch), 1, kPatchCount - 1},
    QX_FIELD(SynthHeader, synthFlags, U16),
    QX_FIELD(SynthHeader, midiChannel, U16),
    QX_FIELD(SynthHeader, reserved1, U32),
    QX_FIELD(SynthHeader, transparencyLevels, I16),
    QX_FIELD(SynthHeader, screenWidth, I32),
    QX_FIELD(SynthHeader, screenHeight, I32),
    QX_FIELD(SynthHeader, pixelDepth, I32),
    QX_FIELD(SynthHeader, settings1, U32),
    QX_FIELD(SynthHeader, settings2, U32),
    QX_FIELD(SynthHeader, moviesKeepOriginalPath, U32),
    QX_FIELD(SynthHeader, renderFlags, U32),
    QX_FIELD(SynthHeader, reserved2, U32),
};

constexpr FieldSpec kKey[] = {
    QX_SPECIAL(key),
    QX_SPECIAL(keyMedia),
    QX_SPECIAL(media),
    QX_SPECIAL(keyEffect),
    QX_FIELD(KeyParams, placement, Rect),
    QX_FIELD(KeyParams, param4, I16),
    QX_FIELD(KeyParams, param5, I16),
    QX_FIELD(KeyParams, param6, I16),
    QX_FIELD(KeyParams, layerParam, I16),
    QX_FIELD(KeyParams, keyFlags, I16),
    QX_SPECIAL(effectSettings),
};

constexpr FieldSpec kPicture[] = {
    QX_FIELD(PictureEntry, name, Name),
    QX_FIELD(PictureEntry, bounds, Rect),
    QX_FIELD(PictureEntry, format, Code),
    QX_FIELD(PictureEntry, pictureFlags, U32),
    QX_FIELD(PictureEntry, pictureWords, U32),
    QX_SPECIAL(dataSize),
};

constexpr FieldSpec kPatch[] = {
    QX_SPECIAL(number),
    QX_SPECIAL(name),
    QX_FIELD(PatchRecord, patchWords, U32),
    QX_SPECIAL(keys),
};

constexpr FieldSpec kMovie[] = {
    QX_FIELD(MovieEntry, movieId, I16),
    QX_FIELD(MovieEntry, movieWord, U32),
    {"fileName", FieldKind::Text, offsetof(MovieEntry, fileName), sizeof(MovieEntry::fileName), 0},
    {"volumeName", FieldKind::Text, offsetof(MovieEntry, volumeName), sizeof(MovieEntry::volumeName), 0},
    QX_FIELD(MovieEntry, frame, Rect),
    QX_FIELD(MovieEntry, movieParam, I16),
    QX_FIELD(MovieEntry, movieFlags, U32),
    QX_FIELD(MovieEntry, movieWords, U32),
};

constexpr FieldSpec kObject[] = {
    QX_FIELD(ObjectEntry, name, Name),
    QX_FIELD(ObjectEntry, objectWord, U32),
    QX_FIELD(ObjectEntry, objectParams, U32),
};

constexpr FieldSpec kBlob[] = {
    QX_SPECIAL(id),
    {"tag", FieldKind::Code, offsetof(BlobEntry, blobTag), 1, 0},
    QX_SPECIAL(size),
};

constexpr FieldSpec kTrack[] = {
    {"name", FieldKind::Text, offsetof(TrackEventsHeader, name), sizeof(TrackEventsHeader::name), 0},
    QX_SPECIAL(eventCount),
    QX_SPECIAL(capacity),
    QX_FIELD(TrackEventsHeader, trackWord, U32),
    QX_SPECIAL(cursor),
    QX_SPECIAL(events),
    QX_SPECIAL(settings),
};

constexpr FieldSpec kTrackSettings[] = {
    QX_FIELD(TrackSettings, trackMode, U32),
    QX_FIELD(TrackSettings, trackValues, U32),
    {"label", FieldKind::Text, offsetof(TrackSettings, label), sizeof(TrackSettings::label), 0},
    {"text1", FieldKind::Text, offsetof(TrackSettings, text1), sizeof(TrackSettings::text1), 0},
    QX_FIELD(TrackSettings, trackValue6, U32),
    QX_FIELD(TrackSettings, trackValue7, U32),
    QX_FIELD(TrackSettings, trackValue8, U32),
    {"text2", FieldKind::Text, offsetof(TrackSettings, text2), sizeof(TrackSettings::text2), 0},
    QX_FIELD(TrackSettings, trackReserved, U32),
};

constexpr FieldSpec kPlacement[] = {
    QX_FIELD(WindowPlacement, w1, U32),
    QX_FIELD(WindowPlacement, w2, U32),
    QX_FIELD(WindowPlacement, w3, U32),
    QX_FIELD(WindowPlacement, rect, Rect),
};

#undef QX_FIELD
#undef QX_SPECIAL

// Width and range of each integer kind.
struct IntegerKind {
  size_t width;
  int64_t low;
  int64_t high;
};

IntegerKind integerKind(FieldKind kind) {
  switch (kind) {
    case FieldKind::U16: return {2, 0, UINT16_MAX};
    case FieldKind::I16: return {2, INT16_MIN, INT16_MAX};
    case FieldKind::I32: return {4, INT32_MIN, INT32_MAX};
    default: return {4, 0, UINT32_MAX};
  }
}

int64_t loadInteger(const uint8_t* at, FieldKind kind) {
  switch (kind) {
    case FieldKind::U16: { uint16_t v; std::memcpy(&v, at, 2); return v; }
    case FieldKind::I16: { int16_t v; std::memcpy(&v, at, 2); return v; }
    case FieldKind::I32: { int32_t v; std::memcpy(&v, at, 4); return v; }
    default: { uint32_t v; std::memcpy(&v, at, 4); return v; }
  }
}

void storeInteger(uint8_t* at, FieldKind kind, int64_t value) {
  if (integerKind(kind).width == 2) {
    auto v = static_cast<uint16_t>(value);
    std::memcpy(at, &v, 2);
  } else {
    auto v = static_cast<uint32_t>(value);
    std::memcpy(at, &v, 4);
  }
}

bool isInteger(FieldKind kind) {
  return kind == FieldKind::U16 || kind == FieldKind::I16 || kind == FieldKind::I32 ||
         kind == FieldKind::U32;
}

Json describeField(const uint8_t* record, const FieldSpec& spec) {
  const uint8_t* at = record + spec.offset;
  switch (spec.kind) {
    case FieldKind::Rect: {
      Rect16 r;
      std::memcpy(&r, at, sizeof r);
      return rectValue(r);
    }
    case FieldKind::Name: {
      std::string name = readCountedString(at, kNameFieldSize);
      return cp1252ToUtf8(name.substr(0, std::min(name.size(), kNameMaxLength)));
    }
    case FieldKind::Text: return cp1252ToUtf8(readCountedString(at, spec.count));
    case FieldKind::Code: {
      FourCC code;
      std::memcpy(&code, at, sizeof code);
      return fourccValue(code);
    }
    case FieldKind::Special: return Json();
    default: break;
  }
  if (spec.count == 1) return Json(static_cast<int64_t>(loadInteger(at, spec.kind)));
  Json values = Json::array();
  size_t width = integerKind(spec.kind).width;
  for (size_t i = 0; i < spec.count; ++i) {
    values.push(Json(static_cast<int64_t>(loadInteger(at + i * width, spec.kind))));
  }
  return values;
}

}  // namespace

const FieldTable kHeaderFields = kHeader;
const FieldTable kPatchFields = kPatch;
const FieldTable kKeyFields = kKey;
const FieldTable kPictureFields = kPicture;
const FieldTable kMovieFields = kMovie;
const FieldTable kObjectFields = kObject;
const FieldTable kBlobFields = kBlob;
const FieldTable kTrackFields = kTrack;
const FieldTable kTrackSettingsFields = kTrackSettings;
const FieldTable kPlacementFields = kPlacement;

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

Json describeFields(const void* record, FieldTable fields) {
  Json out = Json::object();
  for (const FieldSpec& spec : fields) {
    out.set(spec.name, describeField(static_cast<const uint8_t*>(record), spec));
  }
  return out;
}

void JsonReader::fail(const std::string& where, const std::string& what) {
  if (error_.empty()) error_ = where + ": " + what;
}

bool JsonReader::object(const Json& value, const std::string& where, FieldTable fields,
                        std::initializer_list<const char*> extra) {
  if (!value.isObject()) {
    fail(where, "expected an object");
    return false;
  }
  for (const Json::Member& member : value.members()) {
    bool known = std::any_of(fields.begin(), fields.end(),
                             [&](const FieldSpec& spec) { return member.first == spec.name; }) ||
                 std::any_of(extra.begin(), extra.end(),
                             [&](const char* name) { return member.first == name; });
    if (!known) fail(where, "unknown member \"" + member.first + "\"");
  }
  return !failed();
}

const std::vector<Json>& JsonReader::array(const Json& object, const char* key,
                                           const std::string& where) {
  static const std::vector<Json> kNone;
  const Json* value = object.find(key);
  if (value == nullptr || value->isNull()) return kNone;
  if (!value->isArray()) {
    fail(where + "." + key, "expected an array");
    return kNone;
  }
  return value->items();
}

bool JsonReader::integer(const Json& value, int64_t low, int64_t high, int64_t& out,
                         const std::string& where) {
  if (!value.isInteger() || value.asInteger() < low || value.asInteger() > high) {
    fail(where, "expected an integer from " + std::to_string(low) + " to " + std::to_string(high));
    return false;
  }
  out = value.asInteger();
  return true;
}

void JsonReader::code(const Json& value, FourCC& out, const std::string& where) {
  if (!value.isString()) {
    number(value, out, where);
    return;
  }
  std::string bytes = utf8ToCp1252(value.asString());
  if (bytes.size() != 4) return fail(where, "expected four characters or a number");
  out = QX_FOURCC(bytes[0], bytes[1], bytes[2], bytes[3]);
}

void JsonReader::hex(const Json& value, uint8_t* out, size_t size, const std::string& where) {
  std::string digits = value.isString() ? value.asString() : std::string();
  auto nibble = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  bool ok = digits.size() == size * 2;
  for (size_t i = 0; ok && i < size; ++i) {
    int high = nibble(digits[2 * i]);
    int low = nibble(digits[2 * i + 1]);
    ok = high >= 0 && low >= 0;
    out[i] = static_cast<uint8_t>(high * 16 + low);
  }
  if (!ok) fail(where, "expected " + std::to_string(size * 2) + " hexadecimal digits");
}

void JsonReader::fields(const Json& object, void* record, FieldTable fields,
                        const std::string& where) {
  for (const FieldSpec& spec : fields) {
    const Json* value = object.find(spec.name);
    if (value != nullptr && spec.kind != FieldKind::Special) {
      field(*value, static_cast<uint8_t*>(record), spec, where + "." + spec.name);
    }
  }
}

void JsonReader::field(const Json& value, uint8_t* record, const FieldSpec& spec,
                       const std::string& where) {
  uint8_t* at = record + spec.offset;
  switch (spec.kind) {
    case FieldKind::Rect: {
      if (!value.isArray() || value.size() != 4) return fail(where, "expected [top, left, bottom, right]");
      int16_t edges[4] = {};
      for (size_t i = 0; i < 4; ++i) number(value[i], edges[i], where);
      Rect16 r{edges[0], edges[1], edges[2], edges[3]};
      std::memcpy(at, &r, sizeof r);
      return;
    }
    case FieldKind::Name:
    case FieldKind::Text: {
      size_t size = spec.kind == FieldKind::Name ? kNameFieldSize : spec.count;
      size_t longest = spec.kind == FieldKind::Name ? kNameMaxLength : spec.count - 1;
      if (!value.isString()) return fail(where, "expected a string");
      std::string bytes = utf8ToCp1252(value.asString());
      if (bytes.size() > longest) return fail(where, "longer than " + std::to_string(longest) + " characters");
      writeCountedString(at, size, bytes);
      return;
    }
    case FieldKind::Code: {
      FourCC read = 0;
      code(value, read, where);
      std::memcpy(at, &read, sizeof read);
      return;
    }
    default: break;
  }
  if (!isInteger(spec.kind)) return;
  IntegerKind kind = integerKind(spec.kind);
  int64_t high = spec.high != 0 ? spec.high : kind.high;
  int64_t read = 0;
  if (spec.count == 1) {
    if (integer(value, kind.low, high, read, where)) storeInteger(at, spec.kind, read);
    return;
  }
  if (!value.isArray() || value.size() != spec.count) {
    return fail(where, "expected an array of " + std::to_string(spec.count) + " integers");
  }
  for (size_t i = 0; i < spec.count; ++i) {
    if (integer(value[i], kind.low, high, read, where + "[" + std::to_string(i) + "]")) {
      storeInteger(at + i * kind.width, spec.kind, read);
    }
  }
}

}  // namespace quorix::document
