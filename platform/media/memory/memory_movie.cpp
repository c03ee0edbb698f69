#include "platform/media/memory/memory_movie.h"

#include <algorithm>

#include "platform/media/color_canvas.h"
#include "plugin_sdk/status_codes.h"

namespace quorix::platform {
namespace {

class MemoryMovieSource : public MovieSource {
 public:
  MemoryMovieSource(const std::string& path, const MemoryMovie& movie, MemoryMovieBackend& backend)
      : path_(path), movie_(movie), backend_(backend) {
    int64_t at = 0;
    for (const MemoryMovieFrame& frame : movie.frames) {
      times_.push_back(at);
      at += std::max<int64_t>(frame.duration, 1);
    }
    duration_ = movie.frames.empty() ? movie.soundDuration : at;
  }

  int32_t width() const override { return movie_.frames.empty() ? 0 : movie_.width; }
  int32_t height() const override { return movie_.frames.empty() ? 0 : movie_.height; }
  int64_t duration() const override { return duration_; }
  int32_t frameCount() const override { return static_cast<int32_t>(times_.size()); }
  int64_t frameTime(int32_t index) const override { return times_[static_cast<size_t>(index)]; }
  int32_t trackTimeScale() const override { return kMovieTimeScale; }

  int32_t drawFrame(int32_t index, const Rect16& box, const MovieWorld& world) override {
    if (index < 0 || index >= frameCount()) return QX_ERR_INVALID_MOVIE;
    backend_.drawnFrames.push_back(index);
    if (movie_.drawStatus != QX_OK) return movie_.drawStatus;
    BufferDesc target{};
    target.baseAddr = world.pixels;
    target.bitsPerPixel = world.format == 8 || world.format == 32 ? world.format : 16;
    target.bounds = Rect16{0, 0, static_cast<int16_t>(world.height), static_cast<int16_t>(world.width)};
    target.rowBytes = world.rowBytes;
    target.colorEntries = const_cast<ColorEntry*>(world.colors);
    target.layoutCode = world.format == kWorldFormat565 ? QX_LAYOUT_565 : QX_LAYOUT_555;
    ColorCanvas canvas(target);
    if (!canvas.usable()) return QX_OK;
    const uint32_t color = movie_.frames[static_cast<size_t>(index)].color;
    for (int y = std::max<int>(box.top, 0); y < std::min<int>(box.bottom, world.height); ++y) {
      for (int x = std::max<int>(box.left, 0); x < std::min<int>(box.right, world.width); ++x) {
        canvas.put(x, y, color);
      }
    }
    return QX_OK;
  }

  int32_t loadIntoMemory() override {
    backend_.loaded.push_back(path_);
    return movie_.loadStatus;
  }

 private:
  std::string path_;
  MemoryMovie movie_;
  MemoryMovieBackend& backend_;
  std::vector<int64_t> times_;
  int64_t duration_ = 0;
};

}  // namespace

int32_t MemoryMovieBackend::open(const std::string& path, std::unique_ptr<MovieSource>* source) {
  opened.push_back(path);
  auto found = movies_.find(path);
  if (found == movies_.end()) return QX_ERR_FILE_NOT_FOUND;
  if (found->second.openStatus != QX_OK) return found->second.openStatus;
  *source = std::make_unique<MemoryMovieSource>(path, found->second, *this);
  return QX_OK;
}

}  // namespace quorix::platform
