// The fields of each Synth record in the JSON form of a visual, as tables: one table per
// record serves both describing a record and reading it back, so that the two directions
// cannot drift apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/json.h"
#include "plugin_sdk/quorix_types.h"

namespace quorix::document {

enum class FieldKind {
  U16, I16, I32, U32,  // integers, or arrays of them
  Rect,                // Rect16 as [top, left, bottom, right]
  Name,                // 42-byte counted string of at most 39 characters
  Text,                // counted string filling its field
  Code,                // FourCC: its four characters, or a number
  Special,             // a member the caller describes and reads itself
};

struct FieldSpec {
  const char* name;
  FieldKind kind;
  size_t offset;    // in the record
  size_t count;     // elements of an integer array (1 for one integer); bytes of a Text field
  int64_t high;     // largest value allowed, or 0 for the type's own
};

using FieldTable = std::span<const FieldSpec>;

extern const FieldTable kHeaderFields;       // SynthHeader
extern const FieldTable kPatchFields;        // PatchRecord (its keys one by one below)
extern const FieldTable kKeyFields;          // KeyParams, amid the key's other members
extern const FieldTable kPictureFields;      // PictureEntry (and "file" when extracted)
extern const FieldTable kMovieFields;        // MovieEntry
extern const FieldTable kObjectFields;       // ObjectEntry
extern const FieldTable kBlobFields;         // BlobEntry (and "file" when extracted)
extern const FieldTable kTrackFields;        // TrackEventsHeader
extern const FieldTable kTrackSettingsFields;// TrackSettings
extern const FieldTable kPlacementFields;    // WindowPlacement

// A record as a JSON object of its fields in table order; Special members are null, to be set
// by the caller in their place.
Json describeFields(const void* record, FieldTable fields);

// A FourCC as its four characters when they are printable, else as a number; 0 stays 0.
Json fourccValue(FourCC code);
Json rectValue(const Rect16& r);

// Reads members of a description into records, keeping the first problem with the place it
// was found ("patches[1].keys[4].keyEffect: ...").
class JsonReader {
 public:
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }
  void fail(const std::string& where, const std::string& what);

  // True when `value` is an object whose members are all named in `fields` or `extra`.
  bool object(const Json& value, const std::string& where, FieldTable fields,
              std::initializer_list<const char*> extra = {});
  // Reads every member of `object` named in `fields` (but Special ones) into `record`.
  void fields(const Json& object, void* record, FieldTable fields, const std::string& where);
  // The array member `key` of `object` (absent or null: an empty one).
  const std::vector<Json>& array(const Json& object, const char* key, const std::string& where);

  // An integer from `low` to `high` into `out` (of type int64_t); false when it is not.
  bool integer(const Json& value, int64_t low, int64_t high, int64_t& out, const std::string& where);
  template <typename T>
  bool number(const Json& value, T& out, const std::string& where,
              int64_t low = std::numeric_limits<T>::min(),
              int64_t high = static_cast<int64_t>(std::numeric_limits<T>::max())) {
    int64_t read = 0;
    if (!integer(value, low, high, read, where)) return false;
    out = static_cast<T>(read);
    return true;
  }
  void code(const Json& value, FourCC& out, const std::string& where);
  void hex(const Json& value, uint8_t* out, size_t size, const std::string& where);

 private:
  void field(const Json& value, uint8_t* record, const FieldSpec& spec, const std::string& where);
  std::string error_;
};

}  // namespace quorix::document
