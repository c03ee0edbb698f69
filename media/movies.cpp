#include "media/movies.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "common/color_table.h"
#include "common/counted_string.h"
#include "common/cp1252.h"
#include "config/diagnostic_log.h"
#include "document/synth_document.h"
#include "document/synth_list.h"
#include "media/media_host.h"
#include "media/pictures.h"
#include "platform/files.h"
#include "platform/memory_status.h"
#include "plugin_sdk/status_codes.h"
#include "render/buffer_descriptor.h"
#include "render/copy_blit.h"
#include "render/frame_buffer.h"
#include "ui/alerts.h"
#include "ui/string_table.h"

namespace quorix::media {
namespace {

using document::MovieEntry;

bool gFrameReported = false;

platform::Movie* movieIn(const MovieEntry& entry) { return static_cast<platform::Movie*>(entry.movie); }
render::OffscreenPort* worldIn(const MovieEntry& entry) { return static_cast<render::OffscreenPort*>(entry.world); }

// The folder of the Synth's file, with its final '/'; empty for a Synth without a file.
std::string synthFolder(const document::SynthSlot& slot) {
  const std::string path = document::filePath(slot.file);
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file opens for reading: a local regular file this process may read.
bool canOpen(const std::string& path) {
  if (!platform::isRegularFile(path)) return false;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

// Dialog 500: the message and the movie's name, with an Ok button.
void tellMovieMissing(int message, const std::string& name) {
  ui::alert(ui::messageText(message) + "\n" + name);
}

// The world a movie of the entry's frame draws into: the engine's depth, the frame's size cut
// to the engine's frame, the Synth's colours. Flags bit 2 for an empty frame, which still
// gets a world of one pixel. Null when it cannot be made.
render::OffscreenPort* makeWorld(const document::SynthSlot& slot, MovieEntry& entry) {
  int32_t width = entry.frame.right - entry.frame.left, height = entry.frame.bottom - entry.frame.top;
  if (width != 0) entry.movieFlags &= ~kMovieEmptyFrame;
  // A frame without pixels (0 x 0, and also a zero or negative width or height) plays its
  // sound but is never drawn.
  if (width <= 0 || height <= 0) {
    width = height = 1;
    entry.movieFlags |= kMovieEmptyFrame;
  }
  const render::FrameBuffer& frame = render::currentFrameBuffer();
  const int32_t frameWidth = frame.bounds.right - frame.bounds.left, frameHeight = frame.bounds.bottom - frame.bounds.top;
  if (frameWidth > 0) width = std::min(width, frameWidth);
  if (frameHeight > 0) height = std::min(height, frameHeight);
  render::OffscreenPort* world = nullptr;
  render::newOffscreenPort(&world, frame.depth,
                           Rect16{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)}, slot.colors, 0);
  return world;
}

platform::MovieWorld movieWorldFor(render::OffscreenPort* port) {
  const render::PixelMap* map = render::pixelMapOf(port->pixMap);
  platform::MovieWorld world;
  world.pixels = map->baseAddr;
  world.rowBytes = render::rowBytesOf(*map);
  world.width = map->bounds.right - map->bounds.left;
  world.height = map->bounds.bottom - map->bounds.top;
  switch (map->pixelSize) {
    case 8:
      world.format = 8;
      world.colors = colorTableEntries(map->colorTable);
      break;
    case 16:
      world.format = render::currentFrameBuffer().is565 ? platform::kWorldFormat565 : platform::kWorldFormat555;
      break;
    default:
      world.format = 32;
      break;
  }
  return world;
}

// The movie when it is one of the open movies of a Synth, else null.
platform::Movie* known(platform::Movie* movie) {
  if (movie == nullptr) return nullptr;
  for (int32_t synth = 0; synth < document::synthList().count(); ++synth) {
    for (int32_t i = 0; const MovieEntry* entry = document::movieEntry(synth, i); ++i) {
      if (entry->movie == movie) return movie;
    }
  }
  return nullptr;
}

// Runs `body` on a known movie, answering `none` for any other value or when it throws.
template <typename Result, typename Body>
Result withMovie(platform::Movie* movie, Result none, Body body) noexcept {
  try {
    platform::Movie* open = known(movie);
    return open != nullptr ? body(*open) : none;
  } catch (...) {
    return none;
  }
}

int32_t clamp32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

int32_t openMovieFile(int32_t synth, int32_t index, std::unique_ptr<platform::Movie>* out) {
  const document::SynthSlot* slot = document::synthSlot(synth);
  MovieEntry* entry = document::movieEntry(synth, index);
  const document::SynthHeader* header = document::synthHeader(synth);
  if (slot == nullptr || entry == nullptr) return 0;
  if (out == nullptr && entry->movie != nullptr) return 0;

  const uint32_t keepOriginal = header != nullptr ? header->moviesKeepOriginalPath : 0;
  const std::string stored = cp1252ToUtf8(readCountedString(entry->fileName, sizeof entry->fileName));
  const std::string name = document::lastPathComponent(stored);
  const std::string beside = synthFolder(*slot) + name;
  std::string path = keepOriginal != 0 ? stored : beside;
  config::logTrace("Open Movie File");
  bool opened = !name.empty() && canOpen(path);
  if (!opened && keepOriginal == 1) {
    path = beside;
    opened = !name.empty() && canOpen(path);
  }
  if (!opened) {
    tellMovieMissing(keepOriginal == 0 ? ui::kStringMovieNotBeside : ui::kStringMovieNotInOriginal, name);
    return -1;
  }

  config::logTrace("New Movie From File");
  std::unique_ptr<platform::Movie> movie;
  const int32_t status = platform::openMovie(path, &movie);
  if (status != QX_OK) return status;
  if (out != nullptr) {
    *out = std::move(movie);
  } else {
    entry->movie = movie.release();
  }
  return QX_OK;
}

int32_t loadMovie(int32_t synth, int32_t index) {
  const document::SynthSlot* slot = document::synthSlot(synth);
  MovieEntry* entry = document::movieEntry(synth, index);
  if (slot == nullptr || entry == nullptr) return -1;

  render::OffscreenPort* world = makeWorld(*slot, *entry);
  if (world == nullptr) return -1;
  render::disposeOffscreenPort(worldIn(*entry));
  entry->world = world;
  if (int32_t status = openMovieFile(synth, index); status != QX_OK || entry->movie == nullptr) {
    render::disposeOffscreenPort(world);
    entry->world = nullptr;
    return status != QX_OK ? status : -1;
  }

  platform::Movie* movie = movieIn(*entry);
  entry->effectSlot = -1;
  entry->startKey = 0;
  int32_t status = QX_OK;
  if ((entry->movieFlags & kMoviePlaysFromStart) != 0) status = movie->loadIntoMemory();
  const Rect16 box = movie->box();
  movie->setBox(Rect16{0, 0, static_cast<int16_t>(box.bottom - box.top), static_cast<int16_t>(box.right - box.left)});
  const platform::MovieWorld pixels = movieWorldFor(world);
  movie->setWorld(&pixels);
  movie->goToStart();
  movie->setDrawingComplete(movieFrameDrawn, index);
  const int32_t prerolled = movie->preroll(0, platform::kNormalRate);
  return status != QX_OK ? status : prerolled;
}

void disposeMovie(int32_t synth, int32_t index) {
  MovieEntry* entry = document::movieEntry(synth, index);
  if (entry == nullptr) return;
  delete movieIn(*entry);
  entry->movie = nullptr;
  entry->runtimeByte = 0;
  entry->startKey = 0;
  entry->effectSlot = -1;
  render::disposeOffscreenPort(worldIn(*entry));
  entry->world = nullptr;
}

void disposeMovies(int32_t synth, bool dispose, bool release) {
  if (dispose) {
    for (int32_t i = 0; document::movieEntry(synth, i) != nullptr; ++i) disposeMovie(synth, i);
  }
  if (release) releasePictures(synth);
}

void movieFrameDrawn(platform::Movie* /*movie*/, intptr_t index) {
  gFrameReported = true;
  const int32_t synth = mediaHost().currentSynth();
  if (index < 0 || index > INT32_MAX) return;
  const MovieEntry* entry = document::movieEntry(synth, static_cast<int32_t>(index));
  if (entry == nullptr || entry->world == nullptr || (entry->movieFlags & kMovieEmptyFrame) != 0) return;
  if (entry->effectSlot != -1) {
    mediaHost().movieFrameReady(entry->effectSlot);
    return;
  }
  const document::SynthHeader* header = document::synthHeader(synth);
  const document::PatchRecord* patch = header != nullptr ? document::patchRecord(synth, header->currentPatch) : nullptr;
  if (patch == nullptr || entry->startKey < 0 || entry->startKey >= document::kKeyCount) return;
  const document::KeyParams& key = patch->keyParams[entry->startKey];
  Rect16 destination = rectAtScale(key.placement, mediaHost().displayScale());
  const BufferDesc source = render::bufferDescFromPort(worldIn(*entry));
  const BufferDesc target = render::frameDescriptor(render::currentFrameBuffer());
  Rect16 whole = source.bounds;
  render::CopyBlit(&source, &target, &whole, &destination, static_cast<uint16_t>(key.layerParam));
}

bool movieFrameReported() { return gFrameReported; }
void clearMovieFrameReported() { gFrameReported = false; }

int32_t prepareMovieForKey(int32_t synth, int32_t index, int32_t key) {
  MovieEntry* entry = document::movieEntry(synth, index);
  const document::SynthHeader* header = document::synthHeader(synth);
  if (entry == nullptr || header == nullptr || key < 0 || key >= document::kKeyCount) return -1;
  const document::PatchRecord* patch = document::patchRecord(synth, header->currentPatch);
  const document::KeyParams* params = patch != nullptr ? &patch->keyParams[key] : nullptr;
  if (entry->movie == nullptr) {
    const int64_t width = std::max(entry->frame.right - entry->frame.left, 0);
    const int64_t height = std::max(entry->frame.bottom - entry->frame.top, 0);
    const int64_t needed = 2 * width * height * (render::currentFrameBuffer().depth / 8);
    if (needed > platform::availableMemory()) makeRoom(needed, synth, -1);
    if (params != nullptr && (params->keyFlags & 1) != 0) {
      entry->movieFlags |= kMoviePlaysFromStart;
    } else {
      entry->movieFlags &= ~kMoviePlaysFromStart;
    }
    if (int32_t status = loadMovie(synth, index); status != QX_OK) return status;
    entry = document::movieEntry(synth, index);
  }
  if (entry->movie == nullptr) return -1;
  if (entry->world != nullptr) {
    entry->startKey = key;
  } else if (params != nullptr) {
    movieIn(*entry)->setBox(params->placement);
  }
  return QX_OK;
}

bool stepPlayingMovie(int32_t synth, int32_t index, bool loops) {
  const MovieEntry* entry = document::movieEntry(synth, index);
  if (entry == nullptr || entry->movie == nullptr) return true;
  platform::Movie* movie = movieIn(*entry);
  if (movie->done()) {
    if (!loops) return true;
    if (movie->rate() < 0) {
      movie->goToEnd();
    } else {
      movie->goToStart();
    }
  }
  clearMovieFrameReported();
  movie->task();
  if (!movieFrameReported()) movieFrameDrawn(movie, index);
  return false;
}

platform::Movie* movieOf(int32_t synth, int32_t index) noexcept {
  const MovieEntry* entry = document::movieEntry(synth, index);
  return entry != nullptr ? movieIn(*entry) : nullptr;
}

void* movieWorldOf(int32_t synth, int32_t index) noexcept {
  const MovieEntry* entry = document::movieEntry(synth, index);
  return entry != nullptr ? entry->world : nullptr;
}

void openMovieOf(int32_t synth, int32_t index) noexcept {
  try {
    const MovieEntry* entry = document::movieEntry(synth, index);
    if (entry != nullptr && entry->movie == nullptr) loadMovie(synth, index);
  } catch (...) {
    // Memory ran out: the movie stays closed.
  }
}

void setMovieRate(platform::Movie* movie, int32_t rate) noexcept {
  withMovie(movie, 0, [rate](platform::Movie& m) { m.setRate(rate); return 0; });
}

int32_t movieDuration(platform::Movie* movie) noexcept {
  return withMovie(movie, 0, [](platform::Movie& m) { return clamp32(m.duration()); });
}

int32_t movieTimeScale(platform::Movie* movie) noexcept {
  return withMovie(movie, 0, [](platform::Movie& m) { return m.timeScale(); });
}

void setMovieTime(platform::Movie* movie, int32_t time) noexcept {
  withMovie(movie, 0, [time](platform::Movie& m) { m.setTime(time); return 0; });
}

int32_t movieTime(platform::Movie* movie) noexcept {
  return withMovie(movie, 0, [](platform::Movie& m) { return clamp32(m.time()); });
}

void startMovie(platform::Movie* movie) noexcept {
  withMovie(movie, 0, [](platform::Movie& m) { m.start(); return 0; });
}

void stopMovie(platform::Movie* movie) noexcept {
  withMovie(movie, 0, [](platform::Movie& m) { m.stop(); return 0; });
}

void taskMovie(platform::Movie* movie) noexcept {
  withMovie(movie, 0, [](platform::Movie& m) {
    m.update();
    m.task();
    return 0;
  });
}

const platform::MediaHandler* movieMediaHandler(platform::Movie* movie) noexcept {
  return withMovie<const platform::MediaHandler*>(movie, nullptr, [](platform::Movie& m) { return m.mediaHandler(); });
}

void setMovieLoop(platform::Movie* movie, int32_t flag) noexcept {
  withMovie(movie, 0, [flag](platform::Movie& m) { mediaHost().setMovieLoop(&m, flag); return 0; });
}

int32_t mediaPlatformResult() noexcept { return platform::mediaPlatformStatus(); }

}  // namespace quorix::media
