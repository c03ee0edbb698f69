// Adding a medium to a Synth while the engine runs: what plug-ins reach through host procedure
// 31 to put a picture (or name a movie) they made or fetched into the document.
//
// [render thread]
#pragma once

#include <cstdint>

#include "plugin_sdk/quorix_types.h"

namespace quorix::media {

inline constexpr int32_t kMaxPicturesPerSynth = 100;
inline constexpr FourCC kMovieType = 0x4D6F6F56;  // 'MooV'

// Adds the medium `name` of type `type` with `size` bytes at `bytes` to Synth `synth`.
//  - With type 0 the type is made of the name's last three characters in upper case and a
//    blank ("photo.bmp" gives 'BMP '); a name of fewer than three characters has no type.
//  - 'MooV' adds a movie entry whose file name is `name` (the bytes are not kept: movies play
//    from their files).
//  - Anything else is a picture: the importer registry says which importer takes the type (the
//    built-in bitmap decoder when none does); a picture whose name is already in the table is
//    left as it is; a new one gets a copy of the bytes as its stored data, the importer's
//    format code, and the bounds the importer reads from the bytes.
// The Synth is marked modified. The index of the entry (new or already there); QX_ERR_NO_SYNTH
// for no such Synth or a missing name, QX_ERR_PICTURE_DATA for no bytes, QX_ERR_TOO_MANY_PICTURES
// when the Synth holds 100 pictures, QX_ERR_MEMORY, or the error of storing the data.
int32_t addMedium(int32_t synth, const char* name, FourCC type, const void* bytes, int32_t size);

}  // namespace quorix::media
