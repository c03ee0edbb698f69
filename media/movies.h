// The movies of a Synth: found beside the Synth file (or at their stored path), opened through
// the media platform, drawn into a graphics world of the engine's format, and put into the
// frame by their drawing-complete function.
//
// A movie entry (document/synth_records.h) keeps its open movie (a platform::Movie), its world
// (an OffscreenPort of the engine's depth, cut to the frame), the key that last started it,
// the Action slot of the effect that consumes its frames (-1: drawn into the frame) and its
// flags (bit 0 used by the current Patch, bit 1 loaded whole and played from its start, bit 2
// an empty frame: played, never drawn).
//
// [render thread] The drawing-complete function runs inside the media platform's calls made
// from this thread (task, preroll, moving the time).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/media/media_platform.h"

namespace quorix::media {

inline constexpr uint32_t kMovieUsedByPatch = 1u << 0;
inline constexpr uint32_t kMoviePlaysFromStart = 1u << 1;
inline constexpr uint32_t kMovieEmptyFrame = 1u << 2;

// Finds the movie's file and opens it: 0, -1 when the file cannot be opened (after telling the
// user, messages 1025 and 1039), or the platform's error when the file is not a movie. With
// `movie` null the movie is stored in the entry (an entry that has one already is left alone,
// 0); otherwise it is handed over. An index outside the table gives 0 and no movie.
//  - Looked for beside the Synth file, by the last part of the stored name; when the Synth
//    keeps original paths (moviesKeepOriginalPath 1), at the stored path first.
int32_t openMovieFile(int32_t synth, int32_t index, std::unique_ptr<platform::Movie>* movie = nullptr);

// Prepares a movie of the Synth for playing: its world, the open movie moved to the world's
// origin and drawing into it, the drawing-complete function, preroll. 0, -1 when the world
// cannot be made, or the error of opening or prerolling.
int32_t loadMovie(int32_t synth, int32_t index);

// Disposes of the movie, frees its world and clears the entry's run-time fields. A movie never
// opened, or an index outside the table, is left alone.
void disposeMovie(int32_t synth, int32_t index);

// Disposes of every movie of the Synth when `dispose` is set and releases its pictures when
// `releasePictures` is.
void disposeMovies(int32_t synth, bool dispose, bool releasePictures);

// The drawing-complete function: marks a frame as reported, then draws the world of movie
// `index` of the engine's current Synth into the frame at its starting key's placement with
// the key's layer mode, or tells the effect that consumes it. Nothing for an index outside
// the table, a movie without a world, or an empty frame.
void movieFrameDrawn(platform::Movie* movie, intptr_t index);

// Set by movieFrameDrawn; the frame loop clears it before tasking a movie.
bool movieFrameReported();
void clearMovieFrameReported();

// What a key does before it starts movie `index`: a movie that is not loaded first makes room
// for twice its frame's bytes in the picture cache when memory is short, takes "loaded whole"
// from the key's flags and is loaded. Then a movie with a world records the key; one without
// gets the key's placement as its box. 0 or the error of loading.
int32_t prepareMovieForKey(int32_t synth, int32_t index, int32_t key);

// The frame-loop step of a playing movie: a movie that has not ended is tasked (and drawn
// even when no new frame was reported); an ended one that loops goes back to its start (to its
// end when it plays backwards) and is tasked the same way. True when the movie has ended and
// does not loop: its Action is finished.
bool stepPlayingMovie(int32_t synth, int32_t index, bool loops);

// The operations plug-ins reach through the host procedures. A movie handed in must be one
// of the open movies of a Synth; any other value counts as no movie: nothing is done, 0 read.
platform::Movie* movieOf(int32_t synth, int32_t index) noexcept;        // none when not open
void* movieWorldOf(int32_t synth, int32_t index) noexcept;              // the world, or null
void openMovieOf(int32_t synth, int32_t index) noexcept;                // loads it when not open
void setMovieRate(platform::Movie* movie, int32_t rate) noexcept;
int32_t movieDuration(platform::Movie* movie) noexcept;
int32_t movieTimeScale(platform::Movie* movie) noexcept;
void setMovieTime(platform::Movie* movie, int32_t time) noexcept;
int32_t movieTime(platform::Movie* movie) noexcept;
void startMovie(platform::Movie* movie) noexcept;
void stopMovie(platform::Movie* movie) noexcept;
void taskMovie(platform::Movie* movie) noexcept;                        // draws it again now
const platform::MediaHandler* movieMediaHandler(platform::Movie* movie) noexcept;
void setMovieLoop(platform::Movie* movie, int32_t flag) noexcept;
int32_t mediaPlatformResult() noexcept;

}  // namespace quorix::media
