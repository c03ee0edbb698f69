// Writes real movie files for the tests: frames drawn by the test (one colour each, or any
// picture), encoded with libavcodec: QuickTime animation in a ".mov" (lossless, so colours
// come back exactly) or MPEG-4 part 2 in an ".mp4" (lossy, with B-frames and key frames apart).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorix::testing {

enum class MovieCodec { Animation, Mpeg4 };

struct MovieSpec {
  int width = 16;
  int height = 12;
  int framesPerSecond = 10;
  MovieCodec codec = MovieCodec::Animation;
  // The colour (0x00RRGGBB) of each pixel of each frame; the frame count is `frames`.
  int frames = 6;
  std::function<uint32_t(int frame, int x, int y)> pixel;
};

// A colour per frame, the same over the whole picture.
std::function<uint32_t(int, int, int)> solidFrames(std::vector<uint32_t> colors);

// Encodes the movie into `path` (".mov" for animation, ".mp4" for MPEG-4). False with a
// reason in `error` when anything fails.
bool encodeMovieFile(const std::string& path, const MovieSpec& spec, std::string* error = nullptr);

}  // namespace quorix::testing
