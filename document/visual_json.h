// The JSON form of a visual: what `quorix info --json` prints and `quorix make` reads.
//
// One object with the members "chunks" (the file's directory; ignored when making), "header",
// "patches", "pictures", "movies", "objects", "colorTable", "transparency", "blobs", "tracks"
// and "placements", each field named as in synth_records.h. Names and texts are UTF-8 here and
// Windows-1252 in the file. Picture data, transparency tables and blobs are files beside the
// JSON ("file"), named relative to the folder the JSON is in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/json.h"

namespace quorix::document {

// The description of Synth `synth`. With an `extractFolder`, every picture's data (".bmp" for
// bitmaps, ".pct" with a zeroed 512-byte header for QuickDraw pictures, ".dat" otherwise), the
// transparency tables and each blob are written there and named in the description. Nothing,
// with *error, when the data cannot be read or written.
std::optional<Json> describeSynth(int32_t synth, const std::string& extractFolder,
                                  std::string* error);

// Fills Synth `synth`, as newSynth made it, from a description whose files are relative to
// `baseFolder`. Omitted fields keep the defaults of a new Synth and of createPatch. Picture
// data is left in each picture's `data` handle. False with *error (naming the member at fault)
// when the description is not valid.
bool buildSynth(const Json& visual, const std::string& baseFolder, int32_t synth,
                std::string* error);

enum class VisualWrite {
  Written,
  Invalid,     // the description (or a file it names) is not valid: *error names the member
  NotWritten,  // the file could not be written: *error gives the status code
};

// Makes the visual file at `path` from a description: builds the Synth, saves it, stores the
// picture data and closes the file. Unless Written, `path` may hold anything.
VisualWrite writeVisual(const Json& visual, const std::string& baseFolder,
                        const std::string& path, std::string* error);

}  // namespace quorix::document
