#include "media/add_medium.h"

#include <cctype>
#include <cstring>
#include <string>

#include "common/counted_string.h"
#include "common/memory.h"
#include "document/synth_document.h"
#include "document/synth_list.h"
#include "media/importer_registry.h"
#include "plugin_sdk/status_codes.h"

namespace quorix::media {
namespace {

// The name's last three characters in upper case and a blank; 0 for a shorter name.
FourCC typeFromName(const std::string& name) {
  if (name.size() < 3) return 0;
  FourCC code = 0;
  for (size_t i = name.size() - 3; i < name.size(); ++i) {
    code = (code << 8) | static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(name[i])));
  }
  return (code << 8) | ' ';
}

int32_t addMovie(int32_t synth, const std::string& name) {
  document::SynthSlot* slot = document::synthSlot(synth);
  if (int existing = document::findMovieByName(synth, document::lastPathComponent(name)); existing >= 0) {
    return existing;
  }
  const int32_t index = document::MovieTable::count(slot->movies);
  if (!document::MovieTable::resize(slot->movies, index + 1)) return QX_ERR_MEMORY;
  document::MovieEntry* movie = document::movieEntry(synth, index);
  std::memset(movie, 0, sizeof *movie);
  writeCountedString(movie->fileName, sizeof movie->fileName, name);
  movie->effectSlot = -1;
  slot->modified = 1;
  return index;
}

int32_t addPicture(int32_t synth, const std::string& name, FourCC type, const void* bytes, uint32_t size) {
  document::SynthSlot* slot = document::synthSlot(synth);
  if (int existing = document::findPictureByName(synth, name); existing >= 0) return existing;
  const int32_t index = document::PictureTable::count(slot->pictures);
  if (index >= kMaxPicturesPerSynth) return QX_ERR_TOO_MANY_PICTURES;

  const FourCC format = importerRegistry().acceptsType(type);
  Rect16 bounds{};
  if (PictureImporter* importer = importerRegistry().find(format)) {
    MemHandleRecord data{const_cast<void*>(bytes), size};
    importer->getBounds(&data, &bounds);
  }
  if (!document::PictureTable::resize(slot->pictures, index + 1)) return QX_ERR_MEMORY;
  document::PictureEntry* picture = document::pictureEntry(synth, index);
  std::memset(picture, 0, sizeof *picture);
  document::setName(picture->name, name);
  picture->bounds = bounds;
  picture->format = format;
  picture->scale = 1.0f;
  if (int32_t stored = document::storePictureData(synth, index, bytes, size); stored != 0) {
    document::PictureTable::resize(slot->pictures, index);
    return stored;
  }
  slot->modified = 1;
  return index;
}

}  // namespace

int32_t addMedium(int32_t synth, const char* name, FourCC type, const void* bytes, int32_t size) {
  if (document::synthSlot(synth) == nullptr || name == nullptr || *name == 0) return QX_ERR_NO_SYNTH;
  const std::string text(name, strnlen(name, 255));
  if (type == 0) type = typeFromName(text);
  if (type == kMovieType) return addMovie(synth, text);
  if (bytes == nullptr || size <= 0) return QX_ERR_PICTURE_DATA;
  return addPicture(synth, text, type, bytes, static_cast<uint32_t>(size));
}

}  // namespace quorix::media
