// The engine-wide list of open Synth documents.
//
// A Synth is named everywhere by its index in this list (0-based). Opening a Synth appends a
// slot; closing one removes it and moves the later slots down, so their indexes decrease by one.
// The slots live in one block of the engine's memory, so a slot's address is valid only until
// the list changes: look slots up by index.
#pragma once

#include <cstdint>
#include <string>

#include "document/synth_records.h"
#include "plugin_sdk/quorix_types.h"

namespace quorix::document {

class ChunkFile;

inline constexpr size_t kMaxPathLength = 255;  // what the length word of a FileSpec can hold

// A file as documents and the visual list hold it: 8 zero bytes, a 16-bit word holding the
// path's length in both of its bytes (so that the byte before the path is a counted-string
// length for it), then the path, zero-terminated.
struct FileSpec {
  uint8_t zero[8];
  uint16_t lengthWord;
  char path[260];
  uint8_t padding[2];
};
static_assert(sizeof(FileSpec) == 272);

std::string filePath(const FileSpec& spec);
// Sets the path; false (spec cleared) for an empty path or one over kMaxPathLength bytes.
bool setFilePath(FileSpec& spec, const std::string& path);

struct SynthSlot {
  void* view;                  // run-time: the Synth's window, or null
  uint8_t name[kNameFieldSize];// counted string: the file name, at most 39 characters
  FileSpec file;
  ChunkFile* chunkFile;        // the open file, or null
  MemHandle header;            // SynthHeader
  MemHandle pictures;          // PictureTable
  MemHandle movies;            // MovieTable
  MemHandle objects;           // ObjectTable
  MemHandle colors;            // colour table (common/color_table.h)
  uint32_t engineWord;         // run-time, 0 after reading
  MemHandle transparency;      // (transparencyLevels - 1) x 65536 bytes, or null
  uint32_t modified;           // 1 when the document has unsaved changes
  MemHandle tracks;            // TrackList
  MemHandle placements;        // PlacementTable
  MemHandle blobs;             // BlobTable
};

class SynthList {
 public:
  // Makes the empty list's block; false when memory runs out (the engine cannot start).
  bool create();
  int32_t count() const;
  // Slot `index`, or null outside the list.
  SynthSlot* slot(int32_t index) const;
  // A new zero-filled slot at the end, or null when the list cannot grow.
  SynthSlot* append();
  // Removes slot `index` (its records must have been freed) and moves the later slots down.
  void remove(int32_t index);
  // Frees the list's block (the slots must have been closed).
  void destroy();

 private:
  MemHandle block_ = nullptr;
};

// The engine-wide list.
SynthList& synthList();

// Slot `synth` of the engine-wide list, or null.
SynthSlot* synthSlot(int32_t synth);
// The index of the Synth shown in `view`, or -10000.
int32_t findSynthByView(const void* view);

// Records of a Synth, or null for an index out of range or a record that is missing.
SynthHeader* synthHeader(int32_t synth);
PatchRecord* patchRecord(int32_t synth, int patch);
PictureEntry* pictureEntry(int32_t synth, int index);
MovieEntry* movieEntry(int32_t synth, int index);
ObjectEntry* objectEntry(int32_t synth, int index);

// Frees every record a slot holds (each Patch, the header, the media and colour tables, the
// transparency tables, the blob table with each distinct blob once, the track list with every
// track's events and settings, the placements) and clears the handles.
void freeSlotRecords(SynthSlot& slot);

}  // namespace quorix::document
