#include "plugin/host_procedures.h"

#include "config/diagnostic_log.h"
#include "document/blobs.h"
#include "media/add_medium.h"
#include "media/movies.h"
#include "media/pictures.h"
#include "platform/clock.h"
#include "platform/cpu_features.h"
#include "plugin/host_toolbox.h"
#include "plugin_sdk/status_codes.h"
#include "plugin/plugin_manager.h"
#include "render/copy_blit.h"

namespace quorix::plugin {
namespace {

// Every procedure keeps to C types, cannot throw and leaves plug-in memory alone except
// through the pointers it is handed.

uint32_t ticks() noexcept { return platform::clockTicks(); }

uint32_t milliseconds() noexcept { return platform::clockMilliseconds(); }

// Procedures a plug-in may call with any arguments and that do nothing.
void nothing() noexcept {}

int32_t zero() noexcept { return 0; }

void logText(const char* text) noexcept {
  if (text != nullptr) config::logPrintf("%s", text);
}

MemHandle getBlob(const uint8_t* settings, int32_t synth) noexcept {
  return document::getBlob(settings, synth);
}

void setBlob(uint8_t* settings, int32_t synth, MemHandle data) noexcept {
  document::setBlob(settings, synth, data);
}

int32_t processor(int32_t* stepping, int32_t* fpu, int32_t* zeroOut) noexcept {
  const platform::ProcessorFeatures& features = platform::processorFeatures();
  if (stepping != nullptr) *stepping = static_cast<int32_t>(features.stepping);
  if (fpu != nullptr) *fpu = static_cast<int32_t>(features.fpu);
  if (zeroOut != nullptr) *zeroOut = 0;
  return features.mmx != 0 ? 1 : 0;
}

// Runs `body` and answers `failed` when it throws (memory running out inside the library).
template <typename Result, typename Body>
Result guarded(Result failed, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return failed;
  }
}

void pictureDescriptor(int32_t picture, int32_t synth, BufferDesc* descriptor) noexcept {
  guarded(0, [&] {
    media::getPictureDescriptor(picture, synth, descriptor);
    return 0;
  });
}

render::OffscreenPort* getPicture(int32_t picture, int32_t synth) noexcept {
  return guarded<render::OffscreenPort*>(nullptr, [&] { return media::getPicture(synth, picture); });
}

int32_t addMedium(int32_t synth, const char* name, FourCC type, const void* bytes, int32_t size) noexcept {
  return guarded<int32_t>(QX_ERR_MEMORY, [&] { return media::addMedium(synth, name, type, bytes, size); });
}

const void* findService(FourCC code) noexcept {
  const PluginManager* manager = enginePluginManager();
  return manager != nullptr ? manager->findService(code) : nullptr;
}

// The toolbox record, whose first bytes are the call block of every file importer call.
HostToolbox* toolboxRecord() noexcept { return &hostToolbox(); }

struct HostProc {
  int32_t index;
  QxProc function;
};

template <typename Function>
QxProc proc(Function* function) {
  return reinterpret_cast<QxProc>(function);
}

// One row a procedure; numbers not listed answer null.
const HostProc kHostProcs[] = {
    {QX_HOST_PROC_COPY_BLIT, proc(render::CopyBlit)},
    {QX_HOST_PROC_PICTURE_DESCRIPTOR, proc(pictureDescriptor)},
    {QX_HOST_PROC_GET_PICTURE, proc(getPicture)},
    {QX_HOST_PROC_TICKS, proc(ticks)},
    {QX_HOST_PROC_MILLISECONDS, proc(milliseconds)},
    {QX_HOST_PROC_NOTHING_18, proc(nothing)},
    {QX_HOST_PROC_NOTHING_19, proc(nothing)},
    {QX_HOST_PROC_MOVIE_OF, proc(media::movieOf)},
    {QX_HOST_PROC_MOVIE_SET_RATE, proc(media::setMovieRate)},
    {QX_HOST_PROC_MOVIE_DURATION, proc(media::movieDuration)},
    {QX_HOST_PROC_MOVIE_TIME_SCALE, proc(media::movieTimeScale)},
    {QX_HOST_PROC_MOVIE_SET_TIME, proc(media::setMovieTime)},
    {QX_HOST_PROC_MOVIE_START, proc(media::startMovie)},
    {QX_HOST_PROC_MOVIE_STOP, proc(media::stopMovie)},
    {QX_HOST_PROC_LOG_TEXT, proc(logText)},
    {QX_HOST_PROC_GET_BLOB, proc(getBlob)},
    {QX_HOST_PROC_SET_BLOB, proc(setBlob)},
    {QX_HOST_PROC_LOAD_MEDIA, proc(addMedium)},
    {QX_HOST_PROC_MOVIE_DATA, proc(media::movieWorldOf)},
    {QX_HOST_PROC_MOVIE_OPEN, proc(media::openMovieOf)},
    {QX_HOST_PROC_MOVIE_UPDATE, proc(media::taskMovie)},
    {QX_HOST_PROC_MOVIE_HANDLER, proc(media::movieMediaHandler)},
    {QX_HOST_PROC_MOVIE_TIME, proc(media::movieTime)},
    {QX_HOST_PROC_MOVIE_SET_LOOP, proc(media::setMovieLoop)},
    {QX_HOST_PROC_MEDIA_PLATFORM, proc(media::mediaPlatformResult)},
    {QX_HOST_PROC_PROCESSOR, proc(processor)},
    {QX_HOST_PROC_NOTHING_42, proc(nothing)},
    {QX_HOST_PROC_ACCELERATED_COPY, proc(zero)},
    {QX_HOST_PROC_NOTHING_44, proc(nothing)},
    {QX_HOST_PROC_NOTHING_45, proc(nothing)},
    {QX_HOST_PROC_DIRECT_DRAWING, proc(zero)},
    {QX_HOST_PROC_FIND_SERVICE, proc(findService)},
    {QX_HOST_PROC_ZERO_53, proc(zero)},
    {QX_HOST_PROC_NOTHING_54, proc(nothing)},
    {QX_HOST_PROC_TOOLBOX, proc(toolboxRecord)},
};

}  // namespace
}  // namespace quorix::plugin

extern "C" QxProc GetHostProc(int32_t index) noexcept {
  for (const quorix::plugin::HostProc& row : quorix::plugin::kHostProcs) {
    if (row.index == index) return row.function;
  }
  return nullptr;
}
