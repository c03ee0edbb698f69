// Preloading the media of a Synth's current Patch: its movies prepared and its pictures
// decoded before the Patch plays, with a line in the progress window for each.
#include <string>

#include "common/counted_string.h"
#include "common/cp1252.h"
#include "document/synth_document.h"
#include "document/synth_list.h"
#include "media/media_host.h"
#include "media/movies.h"
#include "media/pictures.h"

namespace quorix::media {
namespace {

constexpr int32_t kProgressLeft = 10, kProgressNameLeft = 150, kProgressBaseline = 20;

void progress(int32_t h, const std::string& text) {
  if (mediaHost().progressShown()) mediaHost().progressText(h, kProgressBaseline, text);
}

}  // namespace

void preloadPatchMedia(int32_t synth) {
  const document::SynthHeader* header = document::synthHeader(synth);
  if (header == nullptr) return;
  for (int32_t other = 0; other < document::synthList().count(); ++other) {
    if (other != synth) releasePictures(other);
  }
  for (int32_t i = 0; document::PictureEntry* picture = document::pictureEntry(synth, i); ++i) {
    picture->pictureFlags &= ~kPictureUsedByPatch;
  }
  for (int32_t i = 0; document::MovieEntry* movie = document::movieEntry(synth, i); ++i) {
    movie->movieFlags &= ~(kMovieUsedByPatch | kMoviePlaysFromStart);
  }

  if (const document::PatchRecord* patch = document::patchRecord(synth, header->currentPatch)) {
    for (int key = 0; key < document::kKeyCount; ++key) {
      const document::KeyMedia media = document::decodeKeyMedia(patch->keyMedia[key]);
      if (media.kind == document::MediaKind::Picture) {
        if (document::PictureEntry* picture = document::pictureEntry(synth, media.index)) {
          picture->pictureFlags |= kPictureUsedByPatch;
        }
      } else if (media.kind == document::MediaKind::Movie) {
        if (document::MovieEntry* movie = document::movieEntry(synth, media.index)) {
          movie->movieFlags |= kMovieUsedByPatch;
          if ((patch->keyParams[key].keyFlags & 1) != 0 && mediaHost().millisecondClock()) {
            movie->movieFlags |= kMoviePlaysFromStart;
          }
        }
      }
    }
  }

  progress(kProgressLeft, "Loading movie : ");
  for (int32_t i = 0; const document::MovieEntry* movie = document::movieEntry(synth, i); ++i) {
    if ((movie->movieFlags & kMovieUsedByPatch) == 0) continue;
    progress(kProgressNameLeft,
             document::lastPathComponent(cp1252ToUtf8(readCountedString(movie->fileName, sizeof movie->fileName))));
    loadMovie(synth, i);
  }
  progress(kProgressLeft, "Loading picture : ");
  for (int32_t i = 0; const document::PictureEntry* picture = document::pictureEntry(synth, i); ++i) {
    if ((picture->pictureFlags & kPictureUsedByPatch) == 0) continue;
    if (memoryAvailable() < kPreloadMemoryFloor) break;
    progress(kProgressNameLeft, cp1252ToUtf8(document::nameOf(picture->name)));
    getPicture(synth, i);
  }
}

}  // namespace quorix::media
