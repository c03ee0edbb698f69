// The pictures of a Synth: decoded on demand from the Synth's "PICT" chunks into offscreen
// buffers of the engine's pixel depth, kept at the engine's display scale and 16-bit layout,
// and cached until memory runs short (the least recently used go first).
//
// A picture entry (document/synth_records.h) keeps its buffer (an OffscreenPort), its last use
// (the engine's frame stamp), its flags (bit 0 used by the current Patch, bit 1 its 16-bit
// pixels are 5-6-5) and the scale its buffer was made for. Pictures that running Actions draw
// from are pinned and never evicted. The importer registry (importer_registry.h) decodes.
//
// [render thread]
#pragma once

#include <cstdint>

#include "plugin_sdk/buffer_desc.h"
#include "render/offscreen_port.h"

namespace quorix::media {

inline constexpr uint32_t kPictureUsedByPatch = 1u << 0;
inline constexpr uint32_t kPicturePixels565 = 1u << 1;
inline constexpr int32_t kPreloadMemoryFloor = 819200;  // preloading stops below this

// The picture's buffer, or null.
render::OffscreenPort* pictureBuffer(int32_t synth, int32_t picture);

// Decodes picture `picture` into its buffer (the one made for it by getPicture) and brings it
// to the display scale and layout: the buffer, or null.
render::OffscreenPort* decodePicture(int32_t synth, int32_t picture);

// The picture's buffer at the engine's depth, scale and layout, decoded on demand, stamped
// with the engine's frame stamp: null for an index outside the table or when memory runs out.
render::OffscreenPort* getPicture(int32_t synth, int32_t picture);

// A descriptor of the picture's buffer (getPicture), or an empty one.
void getPictureDescriptor(int32_t picture, int32_t synth, BufferDesc* descriptor);

// The picture's bounds with every edge divided (truncated) by the scale its buffer was made
// for.
Rect16 pictureBoundsAtScale(int32_t synth, int32_t picture);

// `rect` with every edge divided by `scale` and truncated; `rect` itself at scale 1.0 or a
// scale that is not above 0.
Rect16 rectAtScale(const Rect16& rect, float scale);

// The cache's estimate of a picture's size: width x height (at its scale) x the engine's bytes
// per pixel x 4, in 64 bits.
int64_t estimatedPictureSize(int32_t synth, int32_t picture);

// Frees the buffers of the Synth's pictures that are not pinned, least recently used first
// (the first found wins ties), leaving `kept` alone, until their estimated sizes add up to
// `needed` or none is left. The bytes freed by that estimate.
int64_t makeRoom(int64_t needed, int32_t synth, int32_t kept = -1);

// Frees every picture buffer of the Synth.
void releasePictures(int32_t synth);

// Prepares the media of the Synth's current Patch: releases the pictures of every other Synth,
// marks the pictures and movies the Patch's keys use (a movie whose key loads it whole plays
// from its start, on the millisecond clock only), loads those movies, then decodes those
// pictures in table order until memory falls below kPreloadMemoryFloor (the rest are decoded
// on first use). The progress window, when shown, names each.
void preloadPatchMedia(int32_t synth);

// Running Actions pin the pictures they draw from; pins nest.
void pinPicture(int32_t synth, int32_t picture);
void unpinPicture(int32_t synth, int32_t picture);

// Memory the cache may use: the system's available memory (0..0x7FFFFFFF); with
// "UseSystemHeap" a figure below 1 reads as 0.
int64_t memoryAvailable();

}  // namespace quorix::media
