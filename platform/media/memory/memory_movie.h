// Movies held in memory, for tests: each is a list of frames of one colour with their
// durations, found by the path it was added under. Opening, loading into memory and drawing
// can be told to fail, and the backend counts what was asked of it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/media/media_platform.h"

namespace quorix::platform {

struct MemoryMovieFrame {
  uint32_t color = 0;     // 0x00RRGGBB
  int64_t duration = 60;  // movie time units (1/600 s)
};

struct MemoryMovie {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<MemoryMovieFrame> frames;  // none: a movie of sound only
  int64_t soundDuration = 0;             // the duration of a movie without frames
  int32_t openStatus = 0;                // what opening answers (0: it opens)
  int32_t loadStatus = 0;                // what loading into memory answers
  int32_t drawStatus = 0;                // what drawing a frame answers
};

class MemoryMovieBackend : public MovieBackend {
 public:
  // Makes `movie` openable under `path`.
  void add(const std::string& path, const MemoryMovie& movie) { movies_[path] = movie; }
  // A path that was not added opens with QX_ERR_FILE_NOT_FOUND.
  int32_t open(const std::string& path, std::unique_ptr<MovieSource>* source) override;

  // What was asked so far.
  std::vector<std::string> opened;      // every path asked for, in order
  std::vector<std::string> loaded;      // paths of the movies loaded into memory
  std::vector<int32_t> drawnFrames;     // frame indexes drawn, in order

 private:
  std::map<std::string, MemoryMovie> movies_;
};

// Installs a memory backend for the lifetime of a scope.
class ScopedMovieBackend {
 public:
  explicit ScopedMovieBackend(MovieBackend& backend) { setMovieBackend(&backend); }
  ~ScopedMovieBackend() { setMovieBackend(nullptr); }
  ScopedMovieBackend(const ScopedMovieBackend&) = delete;
  ScopedMovieBackend& operator=(const ScopedMovieBackend&) = delete;
};

}  // namespace quorix::platform
