// Documents for tests: chunk files byte by byte (to describe damaged ones exactly) and whole
// Synth documents with something in every table. The fuzz target's seed corpus is written
// from the same fixtures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin_sdk/quorix_types.h"

namespace quorix::testing {

// One chunk of a chunk file built byte by byte. `used` and `allocated` default to what the
// data and slack give; set them to describe a damaged chunk.
struct RawChunk {
  std::string type;      // four characters, or "" for a freed chunk
  uint32_t id = 0;
  std::string data;
  uint32_t slack = 0;
  int64_t used = -1;
  int64_t allocated = -1;
};

// The bytes of a chunk file: a header chunk (tag "blob", the chunk count unless
// `countOverride` is given) and then `chunks`, end to end.
std::string chunkFileBytes(const std::vector<RawChunk>& chunks, int64_t countOverride = -1);

// Big-endian fields for building chunk data.
std::string be16(uint16_t value);
std::string be32(uint32_t value);

// The data of each chunk type of a small valid Synth with nothing in its tables, keyed by type
// (no "PTCH"): SYTH (version 7), PIXX, MVXX, 3DXX, CLUT, RKRD. `version` sets the header's.
std::vector<RawChunk> minimalSynthChunks(uint16_t version = 7);

// Replaces (or, with an empty `data` and `remove`, drops) chunk `type` in a chunk list.
void setChunk(std::vector<RawChunk>& chunks, const std::string& type, uint32_t id,
              const std::string& data);
void removeChunk(std::vector<RawChunk>& chunks, const std::string& type, uint32_t id);

// Builds a Synth in the Synth list with something in every record: two Patches (3 and 5)
// with keys set, three pictures, two movies, one 3D object, a colour table of 4 entries, two
// transparency levels, two blobs, two tracks with events, two window placements. Its index;
// it is not saved and points at `path`.
int32_t makeRichSynth(const std::string& path);

// makeRichSynth, saved to `path` and closed: the path.
std::string writeRichSynth(const std::string& path);

}  // namespace quorix::testing
