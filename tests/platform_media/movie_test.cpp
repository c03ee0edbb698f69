// Movies: files encoded by the test and read through FFmpeg (frames, times, worlds of every
// format, memory loading, bad files), and playing by the engine clock (rate, direction, end,
// tasking, preroll) on the memory backend.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/rect.h"
#include "platform/clock.h"
#include "platform/media/media_platform.h"
#include "platform/media/memory/memory_movie.h"
#include "plugin_sdk/status_codes.h"
#include "tests/platform_media/picture_target.h"
#include "tests/support/movie_encoder.h"
#include "tests/support/temp_folder.h"

namespace quorix::platform {
namespace {

using testing::MovieCodec;
using testing::MovieSpec;
using testing::TestTarget;

const std::vector<uint32_t> kFrameColors = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};

// Quadrants of each frame in their own colours, so that a cut or a scale shows.
uint32_t quadrant(int frame, int x, int y, int width, int height) {
  uint32_t base = kFrameColors[static_cast<size_t>(frame) % kFrameColors.size()];
  if (x >= width / 2) base ^= 0x808080;
  if (y >= height / 2) base ^= 0x404040;
  return base;
}

MovieSpec movieSpec(int width, int height, int frames, int framesPerSecond = 10,
                    MovieCodec codec = MovieCodec::Animation) {
  MovieSpec spec;
  spec.width = width;
  spec.height = height;
  spec.frames = frames;
  spec.framesPerSecond = framesPerSecond;
  spec.codec = codec;
  return spec;
}

MovieWorld worldOf(TestTarget& target) {
  MovieWorld world;
  world.pixels = target.pixels.data();
  world.rowBytes = target.desc.rowBytes;
  world.width = target.width;
  world.height = target.height;
  world.format = target.depth == 16 ? (target.desc.layoutCode == QX_LAYOUT_565 ? kWorldFormat565 : kWorldFormat555)
                                    : target.depth;
  world.colors = target.palette.empty() ? nullptr : target.palette.data();
  return world;
}

class MediaPlatformTest : public ::testing::Test {
 protected:
  MediaPlatformTest() { startMediaPlatform(); }
  ~MediaPlatformTest() override { stopMediaPlatform(); }

  std::string encode(const std::string& name, MovieSpec spec) {
    if (!spec.pixel) {
      spec.pixel = [spec](int f, int x, int y) { return quadrant(f, x, y, spec.width, spec.height); };
    }
    std::string path = temp / name;
    std::string error;
    EXPECT_TRUE(testing::encodeMovieFile(path, spec, &error)) << error;
    return path;
  }

  std::unique_ptr<Movie> open(const std::string& path) {
    std::unique_ptr<Movie> movie;
    EXPECT_EQ(openMovie(path, &movie), QX_OK) << path;
    return movie;
  }

  testing::TempFolder temp;
};

TEST_F(MediaPlatformTest, StartsAsVersion7AndStops) {
  EXPECT_EQ(mediaPlatformStatus(), QX_OK);
  EXPECT_EQ(mediaPlatformVersion(), 0x07000000u);
  stopMediaPlatform();
  EXPECT_EQ(mediaPlatformVersion(), 0u);
  std::unique_ptr<Movie> movie;
  EXPECT_EQ(openMovie(encode("a.mov", {}), &movie), QX_ERR_MEDIA_UNAVAILABLE);

  setMediaPlatformStartFailure(QX_ERR_MEDIA_UNAVAILABLE);
  EXPECT_EQ(startMediaPlatform(), QX_ERR_MEDIA_UNAVAILABLE);
  EXPECT_EQ(mediaPlatformStatus(), QX_ERR_MEDIA_UNAVAILABLE);
  EXPECT_EQ(mediaPlatformVersion(), 0u);
  setMediaPlatformStartFailure(QX_OK);
  stopMediaPlatform();
  EXPECT_EQ(startMediaPlatform(), QX_OK);
}

// Every frame of a lossless movie comes back exactly, at the time the frame rate gives it.
TEST_F(MediaPlatformTest, ReadsTheFramesOfAMovieFileExactly) {
  std::unique_ptr<Movie> movie = open(encode("six.mov", {}));
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(movie->duration(), 360);  // six frames of 1/10 s
  EXPECT_EQ(movie->timeScale(), 600);
  EXPECT_TRUE(movie->box() == (Rect16{0, 0, 12, 16}));
  ASSERT_NE(movie->mediaHandler(), nullptr);
  EXPECT_EQ(movie->mediaHandler()->frameCount, 6);
  TestTarget target(32, 16, 12);
  MovieWorld world = worldOf(target);
  movie->setWorld(&world);
  // Backwards, so that every frame needs a seek.
  for (int frame = 5; frame >= 0; --frame) {
    SCOPED_TRACE(frame);
    movie->setTime(frame * 60 + 30);
    EXPECT_EQ(movie->frameAt(movie->time()), frame);
    movie->task();
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 16; ++x) ASSERT_EQ(target.rgb(x, y), quadrant(frame, x, y, 16, 12)) << x << ", " << y;
    }
  }
}

// Worlds of every engine format, cut to their own size when smaller than the box.
TEST_F(MediaPlatformTest, DrawsIntoWorldsOfEveryFormatCutToTheirSize) {
  std::unique_ptr<Movie> movie = open(encode("four.mov", movieSpec(16, 12, 2)));
  ASSERT_NE(movie, nullptr);
  std::vector<uint32_t> palette;
  for (int f = 0; f < 2; ++f) {
    for (int q = 0; q < 4; ++q) palette.push_back(quadrant(f, q % 2 * 8, q / 2 * 6, 16, 12));
  }
  struct Case {
    const char* name;
    TestTarget target;
    bool exact;  // 16-bit worlds keep five or six bits of each component
  } cases[] = {
      {"32-bit", TestTarget(32, 16, 12), true},
      {"32-bit, cut to 10 x 7", TestTarget(32, 10, 7), true},
      {"8-bit through the Synth's palette", TestTarget(8, 16, 12, testing::paletteOf(palette)), true},
      {"8-bit, cut", TestTarget(8, 9, 5, testing::paletteOf(palette)), true},
      {"L555", TestTarget(16, 16, 12, {}, QX_LAYOUT_555), false},
      {"L565, cut", TestTarget(16, 11, 6, {}, QX_LAYOUT_565), false},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    MovieWorld world = worldOf(c.target);
    movie->setWorld(&world);
    movie->setTime(60);
    movie->task();
    for (int y = 0; y < c.target.height; ++y) {
      for (int x = 0; x < c.target.width; ++x) {
        uint32_t expected = quadrant(1, x, y, 16, 12);
        if (!c.exact) {
          uint32_t got = c.target.rgb(x, y);
          for (int shift = 0; shift < 24; shift += 8) {
            ASSERT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((expected >> shift) & 0xFF), 8);
          }
        } else {
          ASSERT_EQ(c.target.rgb(x, y), expected) << x << ", " << y;
        }
      }
    }
  }
}

// A lossy movie with key frames apart and reordered frames: every frame is found, close to
// its colours, whether played on or sought; loading into memory changes nothing.
TEST_F(MediaPlatformTest, DecodesReorderedFramesOnwardAndAfterSeeksFromDiskOrMemory) {
  MovieSpec spec = movieSpec(32, 32, 12, 20, MovieCodec::Mpeg4);
  spec.pixel = testing::solidFrames({0xE00000, 0x00E000, 0x0000E0, 0xE0E000});
  std::unique_ptr<Movie> movie = open(encode("twelve.mp4", spec));
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(movie->mediaHandler()->frameCount, 12);
  EXPECT_EQ(movie->duration(), 360);
  TestTarget target(32, 32, 32);
  MovieWorld world = worldOf(target);
  movie->setWorld(&world);
  auto check = [&](int frame) {
    movie->setTime(frame * 30);
    movie->task();
    uint32_t expected = spec.pixel(frame, 0, 0);
    uint32_t got = target.rgb(16, 16);
    for (int shift = 0; shift < 24; shift += 8) {
      ASSERT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((expected >> shift) & 0xFF), 12) << frame;
    }
  };
  for (int frame : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 7, 2, 11, 0}) check(frame);
  EXPECT_EQ(movie->loadIntoMemory(), QX_OK);
  for (int frame : {11, 3, 4, 5, 0}) check(frame);
}

TEST_F(MediaPlatformTest, FilesThatAreNotMoviesFailWithAStatus) {
  std::string good = encode("good.mov", movieSpec(16, 12, 6));
  std::string bytes = testing::readFile(good);
  struct Case {
    const char* name;
    std::string path;
    int32_t status;
  } cases[] = {
      {"missing", temp / "missing.mov", QX_ERR_FILE_NOT_FOUND},
      {"a folder", temp.makeFolder("folder.mov"), QX_ERR_INVALID_MOVIE},
      {"empty", temp.write("empty.mov", ""), QX_ERR_INVALID_MOVIE},
      {"text", temp.write("text.mov", std::string(5000, 'x')), QX_ERR_INVALID_MOVIE},
      {"the first 100 bytes of a movie", temp.write("cut.mov", bytes.substr(0, 100)), QX_ERR_INVALID_MOVIE},
      {"a URL", "http://127.0.0.1:9/movie.mov", QX_ERR_FILE_NOT_FOUND},
      {"a device", "/dev/zero", QX_ERR_INVALID_MOVIE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<Movie> movie;
    EXPECT_EQ(openMovie(c.path, &movie), c.status);
    EXPECT_EQ(movie, nullptr);
  }
  // A movie cut short keeps the frames that are whole, or is refused; it never reads past
  // the file nor fails to answer.
  for (size_t keep : {bytes.size() / 2, bytes.size() * 3 / 4, bytes.size() - 10}) {
    SCOPED_TRACE(keep);
    std::unique_ptr<Movie> movie;
    int32_t status = openMovie(temp.write("short.mov", bytes.substr(0, keep)), &movie);
    if (status != QX_OK) {
      EXPECT_EQ(status, QX_ERR_INVALID_MOVIE);
      continue;
    }
    TestTarget target(32, 16, 12);
    MovieWorld world = worldOf(target);
    movie->setWorld(&world);
    for (int64_t t = 0; t <= movie->duration(); t += 30) {
      movie->setTime(t);
      movie->task();
    }
  }
}

// Playing on the memory backend: frames of 100 ms each, the engine clock moved by hand.
class MoviePlayingTest : public ::testing::Test {
 protected:
  MoviePlayingTest() {
    startMediaPlatform();
    MemoryMovie spec;
    spec.width = 4;
    spec.height = 2;
    spec.frames = {{0xFF0000, 60}, {0x00FF00, 60}, {0x0000FF, 60}, {0xFFFFFF, 60}};
    backend.add("four", spec);
    EXPECT_EQ(openMovie("four", &movie), QX_OK);
    movie->setWorld(&world);
    movie->setDrawingComplete([](Movie*, intptr_t reference) { ++*reinterpret_cast<int*>(reference); },
                              reinterpret_cast<intptr_t>(&reports));
  }
  ~MoviePlayingTest() override { stopMediaPlatform(); }

  uint32_t shown() const { return target.rgb(0, 0); }

  ManualClock clock{1000};
  ScopedClockSource scopedClock{clock};
  MemoryMovieBackend backend;
  ScopedMovieBackend scopedBackend{backend};
  TestTarget target{32, 4, 2};
  MovieWorld world = worldOf(target);
  std::unique_ptr<Movie> movie;
  int reports = 0;
};

TEST_F(MoviePlayingTest, PlaysByTheClockAtItsRate) {
  EXPECT_EQ(movie->rate(), 0);
  EXPECT_EQ(movie->preroll(0, kNormalRate), QX_OK);
  EXPECT_EQ(shown(), 0xFF0000u) << "preroll decodes the first frame";
  EXPECT_EQ(reports, 0) << "without telling";
  movie->start();
  EXPECT_EQ(movie->rate(), kNormalRate);
  movie->task();
  EXPECT_EQ(reports, 1);
  movie->task();
  EXPECT_EQ(reports, 1) << "the same frame is not drawn again";
  clock.advance(150);
  EXPECT_EQ(movie->time(), 90);
  movie->task();
  EXPECT_EQ(shown(), 0x00FF00u);
  EXPECT_EQ(reports, 2);
  movie->setRate(2 * kNormalRate);
  clock.advance(100);
  EXPECT_EQ(movie->time(), 210);
  movie->task();
  EXPECT_EQ(shown(), 0xFFFFFFu);
  EXPECT_FALSE(movie->done());
  clock.advance(1000);
  EXPECT_EQ(movie->time(), 240) << "the time stops at the end";
  EXPECT_TRUE(movie->done());
  movie->stop();
  EXPECT_EQ(movie->rate(), 0);
  clock.advance(1000);
  EXPECT_EQ(movie->time(), 240);
}

TEST_F(MoviePlayingTest, PlaysBackwardsToItsStart) {
  movie->goToEnd();
  movie->setRate(-kNormalRate);
  movie->task();
  EXPECT_EQ(shown(), 0xFFFFFFu);
  clock.advance(200);
  EXPECT_EQ(movie->time(), 120);
  movie->task();
  EXPECT_EQ(shown(), 0x0000FFu);
  EXPECT_FALSE(movie->done());
  clock.advance(500);
  EXPECT_EQ(movie->time(), 0);
  EXPECT_TRUE(movie->done());
  movie->task();
  EXPECT_EQ(shown(), 0xFF0000u);
}

TEST_F(MoviePlayingTest, SettingTheTimeDrawsAgainAtTheNextTask) {
  movie->setTime(130);
  movie->task();
  EXPECT_EQ(shown(), 0x0000FFu);
  movie->setTime(130);
  movie->task();
  EXPECT_EQ(reports, 2) << "a time set draws even the same frame";
  movie->goToStart();
  EXPECT_EQ(movie->time(), 0);
  movie->setTime(-50);
  EXPECT_EQ(movie->time(), 0);
  movie->setTime(5000);
  EXPECT_EQ(movie->time(), 240);
  EXPECT_EQ(backend.drawnFrames, (std::vector<int32_t>{2, 2}));
}

// The clock's 32-bit millisecond count wraps; time keeps moving through the wrap.
TEST_F(MoviePlayingTest, KeepsTimeAcrossTheClockWrap) {
  clock.set(0xFFFFFFFFull - 50);
  movie->start();
  clock.advance(100);
  EXPECT_EQ(movie->time(), 60);
}

TEST_F(MoviePlayingTest, WithoutAWorldNothingIsDrawn) {
  movie->setWorld(nullptr);
  movie->start();
  movie->task();
  EXPECT_EQ(reports, 0);
  EXPECT_TRUE(backend.drawnFrames.empty());
}

TEST(MemoryMovie, SoundOnlyMoviesHaveADurationAndNoPictures) {
  startMediaPlatform();
  MemoryMovieBackend backend;
  ScopedMovieBackend scoped(backend);
  MemoryMovie sound;
  sound.soundDuration = 900;
  backend.add("sound", sound);
  std::unique_ptr<Movie> movie;
  ASSERT_EQ(openMovie("sound", &movie), QX_OK);
  EXPECT_EQ(movie->duration(), 900);
  EXPECT_TRUE(movie->box() == (Rect16{0, 0, 0, 0}));
  EXPECT_EQ(movie->mediaHandler(), nullptr);
  EXPECT_EQ(movie->frameAt(0), -1);
  stopMediaPlatform();
}

}  // namespace
}  // namespace quorix::platform
