// MediaHost: what pictures and movies need to know from, and tell, the engine above them.
//
// The engine installs its own host while it exists; without one, the display scale is 1.0,
// no Synth plays and nothing is told. Tests install fakes. The engine's pixel depth, 16-bit
// layout and frame come from the current FrameBuffer (render/frame_buffer.h).
#pragma once

#include <cstdint>
#include <string>

namespace quorix::platform {
class Movie;
}

namespace quorix::media {

class MediaHost {
 public:
  virtual ~MediaHost() = default;
  // The scale the engine composes at: 2.0 while it doubles pixels, else 1.0.
  virtual float displayScale() { return 1.0f; }
  // The engine's frame stamp: pictures take it as their last use.
  virtual uint32_t frameStamp() { return 0; }
  // The Synth the engine plays, or -1.
  virtual int32_t currentSynth() { return -1; }
  // True when the engine keeps time by the millisecond clock: only then may a movie be
  // loaded whole and play from its start.
  virtual bool millisecondClock() { return true; }
  // True when the plug-in manager times calls: decoding a picture is then timed too.
  virtual bool statisticsOn() { return false; }
  // The progress window: whether one shows, and writing a line of text into it (font 3, size
  // 12, its baseline at h, v).
  virtual bool progressShown() { return false; }
  virtual void progressText(int32_t h, int32_t v, const std::string& text) { (void)h, (void)v, (void)text; }
  // The effect Action in action slot `slot` consumes a movie whose new frame is ready; a slot
  // beyond the Action list is ignored.
  virtual void movieFrameReady(int32_t slot) { (void)slot; }
  // Sets the loop flag of the Action that plays `movie`; nothing when none plays it.
  virtual void setMovieLoop(const platform::Movie* movie, int32_t flag) { (void)movie, (void)flag; }
};

// The installed host (a default one when none is installed).
MediaHost& mediaHost();
// Installs a host; null restores the default. The host must outlive its use.
void setMediaHost(MediaHost* host);

class ScopedMediaHost {
 public:
  explicit ScopedMediaHost(MediaHost& host) { setMediaHost(&host); }
  ~ScopedMediaHost() { setMediaHost(nullptr); }
  ScopedMediaHost(const ScopedMediaHost&) = delete;
  ScopedMediaHost& operator=(const ScopedMediaHost&) = delete;
};

}  // namespace quorix::media
