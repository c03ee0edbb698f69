// How each record of a Synth is laid out in its chunk of a ".QRX" file (big-endian).
//
// One transfer function per record serves both directions: given a reading stream it fills the
// record from the chunk, given a writing stream it stores the record. Fields that the file keeps
// and memory does not (and the reverse) are handled here too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/fourcc.h"
#include "document/chunk_stream.h"
#include "document/synth_records.h"

namespace quorix::document {

// Chunk types of a Synth document.
inline constexpr FourCC kSynthChunk = fourcc("SYTH");          // SynthHeader
inline constexpr FourCC kPlacementsChunk = fourcc("WPOS");     // window placements
inline constexpr FourCC kPatchChunk = fourcc("PTCH");          // PatchRecord k
inline constexpr FourCC kPicturesChunk = fourcc("PIXX");       // picture table
inline constexpr FourCC kPictureDataChunk = fourcc("PICT");    // data of picture k
inline constexpr FourCC kMoviesChunk = fourcc("MVXX");         // movie table
inline constexpr FourCC kObjectsChunk = fourcc("3DXX");        // 3D object table
inline constexpr FourCC kColorsChunk = fourcc("CLUT");         // colour table
inline constexpr FourCC kTransparencyChunk = fourcc("TRSP");   // transparency tables
inline constexpr FourCC kBlobTableChunk = fourcc("BLDT");      // blob ids and tags
inline constexpr FourCC kBlobDataChunk = fourcc("BLHD");       // data of blob k
inline constexpr FourCC kTrackListChunk = fourcc("RKRD");      // number of tracks
inline constexpr FourCC kTrackEventsChunk = fourcc("RKTR");    // events of track k
inline constexpr FourCC kTrackSettingsChunk = fourcc("RKLT");  // settings of track k

// Data sizes of the chunks with a fixed size.
inline constexpr uint32_t kSynthChunkSize = 6216;
inline constexpr uint32_t kPatchChunkSize = 11024;
inline constexpr uint32_t kTrackListChunkSize = 8;
inline constexpr uint32_t kTrackSettingsChunkSize = 620;
// The older track settings hold a 32-byte first text instead of 256 bytes.
inline constexpr size_t kTrackText1Size = 256;
inline constexpr size_t kOlderTrackText1Size = 32;

// A table chunk holds its count and entries in less room than it reserves: the room is that of
// the table as the engine's 32-bit build held it in memory.
inline constexpr uint32_t kPictureRoom = 1112;
inline constexpr uint32_t kMovieRoom = 1352;
inline constexpr uint32_t kObjectRoom = 1116;
inline constexpr uint32_t kPlacementRoom = 28;
inline constexpr uint32_t kBlobRoom = 12;
inline constexpr uint32_t kTrackEventsHeaderSize = 48;
inline constexpr uint32_t kTrackEventSize = 12;

void transferSynthHeader(ChunkStream& stream, SynthHeader& header);
void transferPatch(ChunkStream& stream, PatchRecord& patch);
void transferPicture(ChunkStream& stream, PictureEntry& picture);
void transferMovie(ChunkStream& stream, MovieEntry& movie);
void transferObject(ChunkStream& stream, ObjectEntry& object);
void transferPlacement(ChunkStream& stream, WindowPlacement& placement);
void transferBlobEntry(ChunkStream& stream, BlobEntry& blob);
void transferTrackEventsHeader(ChunkStream& stream, TrackEventsHeader& header);
void transferTrackEvent(ChunkStream& stream, TrackEvent& event);
// `text1Size` is kTrackText1Size, or kOlderTrackText1Size for a chunk of the older form.
void transferTrackSettings(ChunkStream& stream, TrackSettings& settings, size_t text1Size);

// Clears what a record holds only while the engine runs.
void resetRuntime(PictureEntry& picture);
void resetRuntime(MovieEntry& movie);
void resetRuntime(ObjectEntry& object);

}  // namespace quorix::document
