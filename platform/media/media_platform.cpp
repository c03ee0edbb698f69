#include "platform/media/media_platform.h"

#include "plugin_sdk/status_codes.h"

namespace quorix::platform {
namespace {

struct PlatformState {
  bool started = false;
  int32_t status = QX_OK;
  int32_t startFailure = QX_OK;  // what the next start answers, for tests
};

PlatformState& state() {
  static PlatformState platform;
  return platform;
}

MovieBackend* gBackend = nullptr;

}  // namespace

int32_t startMediaPlatform() {
  PlatformState& platform = state();
  if (!platform.started) {
    platform.status = platform.startFailure;
    platform.started = platform.status == QX_OK;
  }
  return platform.status;
}

void stopMediaPlatform() {
  PlatformState& platform = state();
  platform.started = false;
  platform.status = QX_OK;
}

int32_t mediaPlatformStatus() { return state().status; }

uint32_t mediaPlatformVersion() { return state().started ? kMediaPlatformVersion : 0; }

void setMediaPlatformStartFailure(int32_t status) { state().startFailure = status; }

MovieBackend& movieBackend() { return gBackend != nullptr ? *gBackend : ffmpegMovieBackend(); }

void setMovieBackend(MovieBackend* backend) { gBackend = backend; }

int32_t openMovie(const std::string& path, std::unique_ptr<Movie>* movie) {
  movie->reset();
  if (!state().started) return QX_ERR_MEDIA_UNAVAILABLE;
  std::unique_ptr<MovieSource> source;
  int32_t status = movieBackend().open(path, &source);
  if (status != QX_OK) return status;
  if (source == nullptr) return QX_ERR_INVALID_MOVIE;
  *movie = std::make_unique<Movie>(std::move(source));
  return QX_OK;
}

}  // namespace quorix::platform
