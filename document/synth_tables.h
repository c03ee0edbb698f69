// The three media tables of a Synth (pictures, movies, 3D objects) share one chunk form: an i16
// count, then the entries. What differs between them is described here once.
#pragma once

#include <cstdint>

#include "document/synth_layout.h"
#include "document/synth_list.h"
#include "plugin_sdk/status_codes.h"
#include "ui/string_table.h"

namespace quorix::document {

template <typename Entry>
struct TableChunk {
  using EntryType = Entry;
  FourCC type;
  uint32_t room;                           // bytes reserved per entry in the chunk
  MemHandle SynthSlot::*table;
  void (*transfer)(ChunkStream&, Entry&);
  int32_t openCode;                        // chunk missing, unreadable or out of memory
  int32_t releaseCode;                     // stream not written back
  int damageMessage;                       // the damage check's warning for this table
};

inline constexpr TableChunk<PictureEntry> kPictureTableChunk{
    kPicturesChunk, kPictureRoom, &SynthSlot::pictures, transferPicture,
    QX_ERR_PIXX_OPEN, QX_ERR_PIXX_RELEASE, ui::kStringFileDamaged};
inline constexpr TableChunk<MovieEntry> kMovieTableChunk{
    kMoviesChunk, kMovieRoom, &SynthSlot::movies, transferMovie,
    QX_ERR_MVXX_OPEN, QX_ERR_MVXX_RELEASE, ui::kStringMovieTableDamaged};
inline constexpr TableChunk<ObjectEntry> kObjectTableChunk{
    kObjectsChunk, kObjectRoom, &SynthSlot::objects, transferObject,
    QX_ERR_3DXX_OPEN, QX_ERR_3DXX_RELEASE, ui::kStringObjectTableDamaged};

// Runs `action(chunk)` for each of the three tables, in file order.
template <typename Action>
void forEachTableChunk(Action&& action) {
  action(kPictureTableChunk);
  action(kMovieTableChunk);
  action(kObjectTableChunk);
}

}  // namespace quorix::document
