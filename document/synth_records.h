// The records of a Synth document as the engine holds them in memory, in machine byte order.
// How they are stored in a ".QRX" file is synth_layout.h's business.
//
// A Synth has up to 128 Patches; a Patch maps each of 128 keys to a medium (KeyMediaRef), an
// effect number, a placement with parameters, and a 64-byte effect settings block. Beside its
// Patches a Synth holds its picture, movie and 3D object tables, a colour table
// (common/color_table.h), 8-bit transparency tables (raw bytes), a table of blobs (private data
// of effect plug-ins), recorded key tracks and window placements. Variable-size records live in
// MemHandles; fields marked "run-time" mean nothing in a file and are reset when one is read.
// Names are counted strings of Windows-1252 characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "document/record_table.h"
#include "plugin_sdk/quorix_types.h"

namespace quorix::document {

inline constexpr int kPatchCount = 128;
inline constexpr int kKeyCount = 128;
inline constexpr size_t kNameFieldSize = 42;    // a name field in memory
inline constexpr size_t kNameMaxLength = 39;    // characters of a name
inline constexpr size_t kReservedBlockSize = 1024;
inline constexpr size_t kEffectSettingsSize = 64;
inline constexpr uint16_t kSynthVersion = 7;

struct SynthHeader {
  uint16_t version;               // 7
  uint16_t currentPatch;          // the Patch being played, 0..127
  uint16_t synthFlags;            // bit 0 MIDI input, bit 1 program changes, bit 2 preload media
  uint16_t midiChannel;           // 1..16
  MemHandle patches[kPatchCount]; // PatchRecord of each Patch, or null
  uint8_t patchName[kPatchCount][kNameFieldSize];
  uint32_t reserved1[4];
  int16_t transparencyLevels;     // number of 8-bit transparency levels
  int32_t screenWidth;
  int32_t screenHeight;
  int32_t pixelDepth;             // 8, 16 or 32; anything else is taken as 8
  uint32_t settings1;
  uint32_t settings2;
  uint32_t moviesKeepOriginalPath;
  uint32_t renderFlags;           // bit 0 flip through a second buffer, bit 2 extra buffer
  uint32_t reserved2[3];
  uint8_t reservedTail[260];
};

// Where a key's medium is drawn and how.
struct KeyParams {
  Rect16 placement;   // screen area in Synth pixels
  int16_t param4;
  int16_t param5;
  int16_t param6;
  int16_t layerParam; // handed to the layer the key starts (its blit mode)
  int16_t keyFlags;   // bit 0 movie loaded whole, from its start; bit 1 toggle
};
static_assert(sizeof(KeyParams) == 18);

struct PatchRecord {
  uint32_t runtimeWord;               // run-time
  uint32_t patchWords[3];
  uint16_t keyMedia[kKeyCount];       // KeyMediaRef of each key
  uint16_t keyEffect[kKeyCount];      // 0 none, 1..8 engine effects, 9+ plug-in effects
  KeyParams keyParams[kKeyCount];
  uint8_t effectSettings[kKeyCount][kEffectSettingsSize];  // kept big-endian, as in the file
};
static_assert(sizeof(PatchRecord) == 11024);

struct PictureEntry {
  uint32_t runtimeWord;            // run-time: pins of the Actions drawing from the buffer
  uint8_t name[kNameFieldSize];
  uint8_t reserved[kReservedBlockSize];
  MemHandle data;                  // run-time: the "PICT" chunk's bytes while decoding
  void* buffer;                    // run-time: the decoded picture, owned by the picture cache
  Rect16 bounds;                   // the picture's frame in its own pixels
  uint32_t lastUse;                // run-time: frame stamp of the last use
  uint32_t pictureFlags;           // bit 0 used by the current Patch, bit 1 pixels converted
  FourCC format;                   // data format: 0 built-in bitmap, "PICT", ...
  float scale;                     // run-time: 1.0 after reading
  uint32_t pictureWords[2];
};

struct MovieEntry {
  uint32_t runtimeWord;            // run-time
  int16_t movieId;
  uint32_t movieWord;
  uint8_t runtimeByte0;            // run-time, not stored
  uint8_t fileName[256];           // counted string: the movie file's name or path
  uint8_t volumeName[32];          // counted string
  uint8_t reserved[kReservedBlockSize];
  void* movie;                     // run-time: the open movie (platform::Movie)
  uint8_t runtimeByte;             // run-time
  Rect16 frame;
  int32_t startKey;                // run-time: the key that last started the movie
  int32_t effectSlot;              // run-time: action slot of the effect that consumes the
                                   // frames, -1 when they are drawn into the frame
  int16_t movieParam;
  uint32_t movieFlags;             // run-time bits: bit 0 used by the Patch, bit 1 from start,
                                   // bit 2 an empty frame (never drawn)
  uint32_t movieWords[4];          // carried unchanged
  void* world;                     // run-time: the graphics world frames are drawn into (an
                                   // OffscreenPort of the engine's format)
};

struct ObjectEntry {
  uint32_t runtimeWord;            // run-time
  uint8_t name[kNameFieldSize];
  uint8_t reserved[kReservedBlockSize];
  void* object;                    // run-time: never loaded by this engine
  uint32_t objectWord;
  uint32_t objectParams[9];
};

struct BlobEntry {
  uint32_t blobId;   // 1, 2, ... in order of creation
  FourCC blobTag;    // 0 for blobs stored through effect settings
  MemHandle data;
};

// One recorded track: its events and its settings.
struct TrackHandles {
  MemHandle events;    // TrackEventsHeader, then `capacity` TrackEvent slots
  MemHandle settings;  // TrackSettings
};

struct TrackEventsHeader {
  uint8_t name[32];    // counted string
  int32_t eventCount;
  uint32_t capacity;   // event slots in the block
  uint32_t trackWord;
  uint32_t cursor;     // index of the next event to play
};
static_assert(sizeof(TrackEventsHeader) == 48);

struct TrackEvent {
  int32_t time;          // ticks (1/60 s) from the start of the recording
  uint32_t status;       // EngineEvent status
  uint32_t keyAndValue;  // key in the high 16 bits, value in the low 16
};
static_assert(sizeof(TrackEvent) == 12);

struct TrackSettings {
  uint32_t trackMode;
  uint32_t trackValues[5];
  uint8_t label[32];     // counted string
  uint8_t text1[256];    // counted string
  uint32_t trackValue6;
  uint32_t trackValue7;
  uint32_t trackValue8;
  uint8_t text2[256];    // counted string
  uint32_t trackReserved[10];
};
static_assert(sizeof(TrackSettings) == 620);

struct WindowPlacement {
  uint32_t w1;
  uint32_t w2;
  uint32_t w3;
  Rect16 rect;
  uint32_t extra[2];  // zero
};
static_assert(sizeof(WindowPlacement) == 28);

using PictureTable = RecordTable<PictureEntry>;
using MovieTable = RecordTable<MovieEntry>;
using ObjectTable = RecordTable<ObjectEntry>;
using BlobTable = RecordTable<BlobEntry>;
using TrackList = RecordTable<TrackHandles>;
using PlacementTable = RecordTable<WindowPlacement>;

// KeyMediaRef: 0 for no medium; otherwise bits 15-14 give the kind and bits 13-0 the 1-based
// index into that kind's table.
enum class MediaKind : int { None = 0, Picture = 1, Movie = 2, Object = 3, Fourth = 4 };

struct KeyMedia {
  MediaKind kind;
  int index;  // 0-based; -1 for the index bits 0
};

KeyMedia decodeKeyMedia(uint16_t ref);
// The reference for (kind, 0-based index): index -1 gives the kind bits alone (as 0x4000 decodes
// to kind 3, index -1). 0 for MediaKind::None or an index outside -1..16382.
uint16_t encodeKeyMedia(MediaKind kind, int index);

// The settings a track gets when it has none stored.
TrackSettings defaultTrackSettings();

// The characters of a counted-string name field (length clamped to the field and to 39).
std::string nameOf(const uint8_t (&field)[kNameFieldSize]);
// Writes a name (cut to 39 characters) into a counted-string field.
void setName(uint8_t (&field)[kNameFieldSize], const std::string& name);

}  // namespace quorix::document
