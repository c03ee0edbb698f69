#include "platform/media/media_platform.h"

#include <algorithm>

#include "platform/clock.h"
#include "plugin_sdk/status_codes.h"

namespace quorix::platform {

Movie::Movie(std::unique_ptr<MovieSource> source) : source_(std::move(source)) {
  box_ = Rect16{0, 0, static_cast<int16_t>(source_->height()), static_cast<int16_t>(source_->width())};
  handler_.frameCount = source_->frameCount();
  handler_.timeScale = source_->trackTimeScale();
  anchor(0);
}

void Movie::setBox(const Rect16& box) {
  box_ = box;
  redraw_ = true;
}

void Movie::setWorld(const MovieWorld* world) {
  hasWorld_ = world != nullptr;
  world_ = hasWorld_ ? *world : MovieWorld{};
  drawnFrame_ = -1;
  redraw_ = true;
}

void Movie::setDrawingComplete(DrawingCompleteProc proc, intptr_t reference) {
  drawingComplete_ = proc;
  reference_ = reference;
}

int32_t Movie::preroll(int64_t time, int32_t /*rate*/) {
  setTime(time);
  int32_t frame = frameAt(this->time());
  if (!hasWorld_ || frame < 0) return QX_OK;
  int32_t status = source_->drawFrame(frame, box_, world_);
  drawnFrame_ = frame;
  return status;
}

void Movie::start() { setRate(kNormalRate); }

void Movie::stop() { setRate(0); }

void Movie::setRate(int32_t rate) {
  int64_t now = time();
  rate_ = rate;
  anchor(now);
}

int64_t Movie::time() const {
  if (rate_ == 0) return anchorTime_;
  // Elapsed milliseconds x rate (16.16) x 600 units a second.
  int64_t elapsed = static_cast<uint32_t>(clockMilliseconds() - anchorClock_);
  int64_t moved = elapsed * rate_ * kMovieTimeScale / (int64_t{1000} << 16);
  return std::clamp<int64_t>(anchorTime_ + moved, 0, duration());
}

void Movie::setTime(int64_t time) {
  anchor(std::clamp<int64_t>(time, 0, duration()));
  redraw_ = true;
}

void Movie::anchor(int64_t time) {
  anchorTime_ = time;
  anchorClock_ = clockMilliseconds();
}

bool Movie::done() const {
  int64_t now = time();
  return rate_ < 0 ? now <= 0 : now >= duration();
}

int32_t Movie::frameAt(int64_t time) const {
  int32_t count = source_->frameCount();
  if (count <= 0) return -1;
  // The last frame that starts at or before the time.
  int32_t low = 0, high = count - 1;
  while (low < high) {
    int32_t middle = low + (high - low + 1) / 2;
    if (source_->frameTime(middle) <= time) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

void Movie::task() {
  if (!hasWorld_) return;
  int32_t frame = frameAt(time());
  if (frame < 0 || (frame == drawnFrame_ && !redraw_)) return;
  drawnFrame_ = frame;
  redraw_ = false;
  // A frame that cannot be decoded leaves the world as it was and is not reported.
  if (source_->drawFrame(frame, box_, world_) != QX_OK) return;
  if (drawingComplete_ != nullptr) drawingComplete_(this, reference_);
}

const MediaHandler* Movie::mediaHandler() const {
  return handler_.frameCount > 0 ? &handler_ : nullptr;
}

}  // namespace quorix::platform
