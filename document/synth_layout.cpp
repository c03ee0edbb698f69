#include "document/synth_layout.h"

#include <algorithm>

namespace quorix::document {
namespace {

constexpr size_t kStoredNameSize = 40;  // names are 40-byte counted strings in files

// A counted-string field read from a file may claim more characters than it holds.
void clampLength(uint8_t* field, size_t size, size_t maxLength) {
  field[0] = static_cast<uint8_t>(std::min<size_t>({field[0], size - 1, maxLength}));
}

template <size_t N>
void countedString(ChunkStream& stream, uint8_t (&field)[N], size_t stored = N,
                   size_t maxLength = N - 1) {
  stream.bytes(field, stored);
  if (stream.reading()) clampLength(field, stored, maxLength);
}

void name(ChunkStream& stream, uint8_t (&field)[kNameFieldSize]) {
  countedString(stream, field, kStoredNameSize, kNameMaxLength);
}

void rect(ChunkStream& stream, Rect16& r) {
  stream.field(r.top);
  stream.field(r.left);
  stream.field(r.bottom);
  stream.field(r.right);
}

}  // namespace

void transferSynthHeader(ChunkStream& stream, SynthHeader& header) {
  stream.field(header.version);
  stream.field(header.currentPatch);
  stream.field(header.synthFlags);
  stream.field(header.midiChannel);
  // Which Patches exist: written for other readers, while reading the chunks found decide.
  for (MemHandle patch : header.patches) {
    uint32_t present = patch != nullptr ? 1 : 0;
    stream.field(present);
  }
  for (auto& patchName : header.patchName) name(stream, patchName);
  stream.fields(header.reserved1);
  stream.field(header.transparencyLevels);
  stream.field(header.screenWidth);
  stream.field(header.screenHeight);
  stream.field(header.pixelDepth);
  stream.field(header.settings1);
  stream.field(header.settings2);
  stream.field(header.moviesKeepOriginalPath);
  stream.field(header.renderFlags);
  stream.fields(header.reserved2);
  // 260 reserved bytes and the slack after them stay zero; they are not read.
}

void transferPatch(ChunkStream& stream, PatchRecord& patch) {
  stream.field(patch.runtimeWord);
  stream.fields(patch.patchWords);
  stream.fields(patch.keyMedia);
  stream.fields(patch.keyEffect);
  for (KeyParams& key : patch.keyParams) {
    rect(stream, key.placement);
    stream.field(key.param4);
    stream.field(key.param5);
    stream.field(key.param6);
    stream.field(key.layerParam);
    stream.field(key.keyFlags);
  }
  for (auto& settings : patch.effectSettings) stream.bytes(settings, sizeof settings);
  if (stream.reading()) patch.runtimeWord = 0;
}

void transferPicture(ChunkStream& stream, PictureEntry& picture) {
  name(stream, picture.name);
  stream.bytes(picture.reserved, sizeof picture.reserved);
  rect(stream, picture.bounds);
  stream.field(picture.pictureFlags);
  stream.field(picture.format);
  stream.zeros(4);
  stream.fields(picture.pictureWords);
}

void transferMovie(ChunkStream& stream, MovieEntry& movie) {
  int32_t id = movie.movieId;  // stored sign-extended to 32 bits
  stream.field(id);
  movie.movieId = static_cast<int16_t>(id);
  stream.field(movie.movieWord);
  countedString(stream, movie.fileName);
  countedString(stream, movie.volumeName);
  stream.bytes(movie.reserved, sizeof movie.reserved);
  rect(stream, movie.frame);
  stream.field(movie.movieParam);
  stream.field(movie.movieFlags);
  stream.fields(movie.movieWords);
}

void transferObject(ChunkStream& stream, ObjectEntry& object) {
  name(stream, object.name);
  stream.bytes(object.reserved, sizeof object.reserved);
  stream.field(object.objectWord);
  stream.fields(object.objectParams);
}

void transferPlacement(ChunkStream& stream, WindowPlacement& placement) {
  stream.field(placement.w1);
  stream.field(placement.w2);
  stream.field(placement.w3);
  // The rectangle is stored left, right, top, bottom.
  stream.field(placement.rect.left);
  stream.field(placement.rect.right);
  stream.field(placement.rect.top);
  stream.field(placement.rect.bottom);
  stream.zeros(8);
}

void transferBlobEntry(ChunkStream& stream, BlobEntry& blob) {
  stream.field(blob.blobId);
  stream.field(blob.blobTag);
}

void transferTrackEventsHeader(ChunkStream& stream, TrackEventsHeader& header) {
  countedString(stream, header.name);
  stream.field(header.eventCount);
  stream.field(header.capacity);
  stream.field(header.trackWord);
  stream.field(header.cursor);
}

void transferTrackEvent(ChunkStream& stream, TrackEvent& event) {
  stream.field(event.time);
  stream.field(event.status);
  stream.field(event.keyAndValue);
}

void transferTrackSettings(ChunkStream& stream, TrackSettings& settings, size_t text1Size) {
  stream.field(settings.trackMode);
  stream.fields(settings.trackValues);
  countedString(stream, settings.label);
  countedString(stream, settings.text1, text1Size, text1Size - 1);
  stream.field(settings.trackValue6);
  stream.field(settings.trackValue7);
  stream.field(settings.trackValue8);
  countedString(stream, settings.text2);
  stream.fields(settings.trackReserved);
}

void resetRuntime(PictureEntry& picture) {
  picture.runtimeWord = 0;
  picture.data = nullptr;
  picture.buffer = nullptr;
  picture.lastUse = 0;
  picture.scale = 1.0f;
}

void resetRuntime(MovieEntry& movie) {
  movie.runtimeWord = 0;
  movie.runtimeByte0 = 0;
  movie.movie = nullptr;
  movie.runtimeByte = 0;
  movie.startKey = 0;
  movie.effectSlot = 0;
  movie.movieFlags = 0;
  movie.world = nullptr;
}

void resetRuntime(ObjectEntry& object) {
  object.runtimeWord = 0;
  object.object = nullptr;
}

}  // namespace quorix::document
