// The media platform: what the engine uses to draw QuickDraw pictures and to play movie files.
//
// Pictures are drawn by our own QuickDraw picture decoder (quickdraw/): the picture's bitmap
// opcodes scaled from the picture frame to a destination rectangle of an 8-bit, 16-bit 5-5-5
// or 32-bit buffer. Movies are decoded by a backend: FFmpeg for movie files (ffmpeg/), or the
// memory backend (memory/) that tests drive. A Movie is played by the engine clock: it knows
// its rate, its time (in 1/600 s) and its box, draws the frame of its current time into its
// graphics world when tasked, and tells its drawing-complete function after each frame drawn.
//
// [render thread] Everything here runs on the thread that renders frames; the drawing-complete
// function is called from inside task, preroll and the calls that move the movie's time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "plugin_sdk/buffer_desc.h"

namespace quorix::platform {

// ---------------------------------------------------------------------------------------------
// Start and stop

inline constexpr uint32_t kMediaPlatformVersion = 0x07000000;  // version 7.0
inline constexpr int32_t kMovieTimeScale = 600;                 // movie time units per second
inline constexpr int32_t kNormalRate = 0x10000;                 // rate 1.0 in 16.16 fixed point

// Starts the media platform: 0 when pictures and movies are available, else the error that
// keeps them away. Starting twice keeps the first result.
int32_t startMediaPlatform();
// Stops it; the status reads 0 again and the version 0.
void stopMediaPlatform();
// The result of the last start (0 before any start and after a stop).
int32_t mediaPlatformStatus();
// The platform's version word, major version in the top byte; 0 while it is not started.
uint32_t mediaPlatformVersion();
// Test seam: the starts that follow answer `status` (QX_OK restores a working platform).
void setMediaPlatformStartFailure(int32_t status);

// ---------------------------------------------------------------------------------------------
// QuickDraw pictures

inline constexpr int32_t kMaxPictureSide = 16384;

// Draws a QuickDraw picture (version 1 or 2, without the 512-byte file header of a ".pct"
// file) into `target` (8 bits through its 256 colour entries, 16 bits as 5-5-5, or 32 bits),
// scaled from the picture's frame to `frame` (in the target's coordinates) and clipped to the
// target's bounds. Only the bitmap opcodes draw; every other opcode is skipped by its length.
// QX_OK when the picture was read to its end; a negative status (QX_ERR_PICTURE_DATA) for
// damaged or truncated data, after drawing what came before the damage. Never reads outside
// `data` nor writes outside the target.
int32_t drawQuickDrawPicture(const uint8_t* data, size_t size, const Rect16& frame,
                             const BufferDesc& target);

// ---------------------------------------------------------------------------------------------
// Movies

// Where a movie draws its frames: pixel memory of the engine's format. `format` is 8 (indexes
// into `colors`), 'L555', 'L565' (16 bits) or 32 (bytes blue, green, red, 0).
struct MovieWorld {
  void* pixels = nullptr;
  int32_t rowBytes = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t format = 0;
  const ColorEntry* colors = nullptr;  // 256 entries for 8-bit worlds
};

inline constexpr uint32_t kWorldFormat555 = 0x4C353535;  // 'L555'
inline constexpr uint32_t kWorldFormat565 = 0x4C353635;  // 'L565'

class Movie;

// Called after each frame the movie drew into its world, with the reference it was given.
using DrawingCompleteProc = void (*)(Movie* movie, intptr_t reference);

// What a movie's first track is: the media handler that decodes it.
struct MediaHandler {
  int32_t frameCount = 0;  // frames of the track
  int32_t timeScale = 0;   // the track's own time units per second
};

// The video frames a backend decodes: their times, and drawing frame `index` into a world.
class MovieSource {
 public:
  virtual ~MovieSource() = default;
  // Natural size of the pictures; 0 x 0 for a movie without pictures (sound only).
  virtual int32_t width() const = 0;
  virtual int32_t height() const = 0;
  // Duration in movie time units (1/600 s).
  virtual int64_t duration() const = 0;
  // Frames and the time each starts at, ascending from 0.
  virtual int32_t frameCount() const = 0;
  virtual int64_t frameTime(int32_t index) const = 0;
  // The track's own time scale (for the media handler).
  virtual int32_t trackTimeScale() const = 0;
  // Draws frame `index` scaled to `box` (left and top at the world's origin) into `world`,
  // clipped to it. QX_OK, or a status when the frame cannot be decoded (the world keeps what
  // it held).
  virtual int32_t drawFrame(int32_t index, const Rect16& box, const MovieWorld& world) = 0;
  // Reads the whole file into memory so that playing needs no more reads: QX_OK or a status.
  virtual int32_t loadIntoMemory() = 0;
};

// A movie as the engine plays it. Made by openMovie; freed by deleting it.
class Movie {
 public:
  explicit Movie(std::unique_ptr<MovieSource> source);
  Movie(const Movie&) = delete;
  Movie& operator=(const Movie&) = delete;

  // The rectangle the pictures are drawn into: (0, 0, height, width) when opened.
  Rect16 box() const { return box_; }
  void setBox(const Rect16& box);
  // The world frames are drawn into (null: frames are not drawn).
  void setWorld(const MovieWorld* world);
  void setDrawingComplete(DrawingCompleteProc proc, intptr_t reference);

  // Prepares playing from `time` at `rate`: decodes the frame of that time into the world
  // without telling the drawing-complete function. QX_OK or the decoder's status.
  int32_t preroll(int64_t time, int32_t rate);
  int32_t loadIntoMemory() { return source_->loadIntoMemory(); }

  // Starts at the preferred rate (1.0), or stops (rate 0); the time stays where it is.
  void start();
  void stop();
  void goToStart() { setTime(0); }
  void goToEnd() { setTime(duration()); }
  // Draws the frame of the current time when it is not the one drawn last (or the time was
  // set since), then tells the drawing-complete function.
  void task();
  // Makes the next task draw the frame of the current time even when it is the one drawn last.
  void update() { redraw_ = true; }
  // True when the time has reached the end in the direction of play (the start for a
  // negative rate).
  bool done() const;

  // Rate in 16.16 fixed point: 0 stopped, 0x10000 normal speed, negative backwards. Setting a
  // non-zero rate plays at it.
  int32_t rate() const { return rate_; }
  void setRate(int32_t rate);
  int64_t duration() const { return source_->duration(); }
  int32_t timeScale() const { return kMovieTimeScale; }
  // The current time, from the engine clock while playing; within 0..duration.
  int64_t time() const;
  void setTime(int64_t time);

  // The first track's media handler, or null for a movie without pictures.
  const MediaHandler* mediaHandler() const;
  // The frame of the current time, -1 for a movie without frames.
  int32_t frameAt(int64_t time) const;

 private:
  void anchor(int64_t time);

  std::unique_ptr<MovieSource> source_;
  MediaHandler handler_;
  Rect16 box_{};
  MovieWorld world_{};
  bool hasWorld_ = false;
  DrawingCompleteProc drawingComplete_ = nullptr;
  intptr_t reference_ = 0;
  int32_t rate_ = 0;
  int64_t anchorTime_ = 0;      // the time at the anchor
  uint32_t anchorClock_ = 0;    // engine clock (ms) at the anchor
  int32_t drawnFrame_ = -1;     // frame in the world, -1 for none
  bool redraw_ = true;          // the next task draws even the same frame
};

// Where movies come from: FFmpeg by default; tests install the memory backend.
class MovieBackend {
 public:
  virtual ~MovieBackend() = default;
  // Opens the movie file at `path`: QX_OK and the movie's frames, or a status (the file is not
  // a local regular file, is not a movie, is damaged or memory ran out).
  virtual int32_t open(const std::string& path, std::unique_ptr<MovieSource>* source) = 0;
};

// The FFmpeg backend: local regular files only, never a URL or a device.
MovieBackend& ffmpegMovieBackend();
// The backend openMovie uses, and replacing it (null: FFmpeg). The backend must outlive its use.
MovieBackend& movieBackend();
void setMovieBackend(MovieBackend* backend);

// Opens a movie through the current backend: QX_OK and the movie, or a status. Nothing is
// opened while the platform is not started (QX_ERR_MEDIA_UNAVAILABLE).
int32_t openMovie(const std::string& path, std::unique_ptr<Movie>* movie);

}  // namespace quorix::platform
