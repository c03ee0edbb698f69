// Movies of a Synth: finding their files, worlds cut to the frame, drawing at the starting
// key's placement, empty frames, looping and playing backwards in the frame loop, the memory
// check before a key starts one, preloading a Patch, and the operations plug-ins reach.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/counted_string.h"
#include "common/rect.h"
#include "document/synth_document.h"
#include "media/movies.h"
#include "media/pictures.h"
#include "platform/clock.h"
#include "platform/media/memory/memory_movie.h"
#include "plugin/host_procedures.h"
#include "plugin_sdk/status_codes.h"
#include "render/buffer_descriptor.h"
#include "tests/media/media_fixture.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/movie_encoder.h"
#include "tests/support/png_writer.h"
#include "ui/alerts.h"

namespace quorix::media {
namespace {

const std::vector<uint32_t> kColors = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF, 0x000000};

uint32_t pixel555(uint32_t c) { return ((c >> 19 & 0x1F) << 10) | ((c >> 11 & 0x1F) << 5) | (c >> 3 & 0x1F); }
uint32_t pixel565(uint32_t c) { return ((c >> 19 & 0x1F) << 11) | ((c >> 10 & 0x3F) << 5) | (c >> 3 & 0x1F); }

class MovieTest : public MediaTest {
 protected:
  MovieTest() { makeFrame(32, QX_LAYOUT_32BIT); }
  ~MovieTest() override {
    while (document::synthList().count() > 0) {
      document::synthSlot(0)->modified = 0;
      document::closeSynth(0, false);
    }
    render::releaseFrameBuffers(frame);
  }

  // The engine's frame: 10 x 8 pixels of `depth`, cleared to 0.
  void makeFrame(uint32_t depth, uint32_t layout) {
    render::releaseFrameBuffers(frame);
    setFrame(depth, layout);
    MemHandle colors = testColorTable(kColors);
    ASSERT_EQ(render::makeWindowedFrame(frame, Rect16{0, 0, 8, 10}, colors), QX_OK);
    disposeHandle(colors);
    clearFrame();
  }
  void clearFrame() {
    for (int y = 0; y < 8; ++y) std::memset(static_cast<uint8_t*>(frame.baseAddr) + y * frame.rowBytes, 0, static_cast<size_t>(10 * frame.depth / 8));
  }
  uint32_t framePixel(int x, int y) const {
    const uint8_t* at = static_cast<const uint8_t*>(frame.baseAddr) + y * frame.rowBytes + x * static_cast<int>(frame.depth / 8);
    uint32_t value = 0;
    std::memcpy(&value, at, frame.depth / 8);
    return value;
  }
  // What a pixel of `color` (one of kColors) holds at the frame's depth.
  uint32_t expected(uint32_t color) const {
    if (frame.depth == 8) {
      return static_cast<uint32_t>(std::find(kColors.begin(), kColors.end(), color) - kColors.begin());
    }
    if (frame.depth == 16) return frame.is565 ? pixel565(color) : pixel555(color);
    return color;
  }

  // A Synth in the temporary folder with Patch 0 current and one movie entry naming `stored`.
  int32_t makeMovieSynth(const std::string& stored, Rect16 movieFrame = Rect16{0, 0, 12, 16}, uint32_t keepOriginal = 0) {
    const int32_t synth = makeSynth(kColors, "movies.qrx");
    EXPECT_EQ(document::createPatch(synth, 0), 1);
    document::synthHeader(synth)->currentPatch = 0;
    document::synthHeader(synth)->moviesKeepOriginalPath = keepOriginal;
    addMovie(synth, stored, movieFrame);
    host.synth = synth;
    return synth;
  }
  int32_t addMovie(int32_t synth, const std::string& stored, Rect16 movieFrame) {
    MemHandle table = document::synthSlot(synth)->movies;
    const int32_t index = document::MovieTable::count(table);
    EXPECT_TRUE(document::MovieTable::resize(table, index + 1));
    document::MovieEntry* movie = document::movieEntry(synth, index);
    writeCountedString(movie->fileName, sizeof movie->fileName, stored);
    movie->frame = movieFrame;
    movie->effectSlot = -1;
    return index;
  }
  document::KeyParams& key(int32_t synth, int number) {
    return document::patchRecord(synth, 0)->keyParams[number];
  }
  // A real movie file beside the Synth: 16 x 12, frames of kColors at 10 frames a second.
  std::string encodeMovie(const std::string& name, int frames = 6) {
    testing::MovieSpec spec;
    spec.width = 16;
    spec.height = 12;
    spec.frames = frames;
    spec.pixel = testing::solidFrames(kColors);
    std::string error;
    const std::string path = temp / name;
    EXPECT_TRUE(testing::encodeMovieFile(path, spec, &error)) << error;
    return path;
  }

  platform::ManualClock clock{5000};
  platform::ScopedClockSource scopedClock{clock};
};

TEST_F(MovieTest, MovieFilesAreFoundByThePathRules) {
  platform::MemoryMovieBackend backend;
  platform::ScopedMovieBackend scopedBackend{backend};
  const std::string beside = temp / "clip.mov", original = temp / "orig/clip.mov";
  platform::MemoryMovie four{4, 2, {{0xFF0000, 60}}};
  backend.add(beside, four);
  backend.add(original, four);
  struct Case {
    const char* name;
    uint32_t keep;
    std::string stored;
    bool besideExists, originalExists;
    int32_t result;
    std::string opened;
    int message;  // 0: none
  };
  const Case cases[] = {
      {"beside, by a Windows path's name", 0, "C:\\films\\clip.mov", true, true, 0, beside, 0},
      {"beside only, though the full path exists", 0, original, true, true, 0, beside, 0},
      {"not beside", 0, original, false, true, -1, "", 1025},
      {"the original path first", 1, original, true, true, 0, original, 0},
      {"beside when the original is gone", 1, original, true, false, 0, beside, 0},
      {"neither", 1, original, false, false, -1, "", 1039},
      {"a name that is a folder", 0, "orig", false, true, -1, "", 1025},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(beside);
    std::filesystem::remove_all(temp / "orig");
    if (c.besideExists) temp.write("clip.mov", "movie");
    if (c.originalExists) temp.write("orig/clip.mov", "movie");
    const int32_t synth = makeMovieSynth(c.stored, Rect16{0, 0, 2, 4}, c.keep);
    backend.opened.clear();
    alerts.entries.clear();
    EXPECT_EQ(openMovieFile(synth, 0), c.result) << c.name;
    EXPECT_EQ(backend.opened, c.opened.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.opened}) << c.name;
    EXPECT_EQ(movieOf(synth, 0) != nullptr, c.result == 0) << c.name;
    if (c.message != 0) {
      ASSERT_EQ(alerts.entries.size(), 1u) << c.name;
      EXPECT_EQ(alerts.entries[0].text, ui::messageText(c.message) + "\n" + document::lastPathComponent(c.stored));
    } else {
      EXPECT_TRUE(alerts.entries.empty()) << c.name;
    }
    document::synthSlot(synth)->modified = 0;
    document::closeSynth(synth, false);
  }
}

TEST_F(MovieTest, OpeningHandsTheMovieOverOrKeepsTheOneThereAndIgnoresIndexesOutside) {
  encodeMovie("clip.mov");
  const int32_t synth = makeMovieSynth("clip.mov");
  EXPECT_EQ(openMovieFile(synth, 1), 0);
  EXPECT_EQ(openMovieFile(synth + 1, 0), 0);
  std::unique_ptr<platform::Movie> handed;
  EXPECT_EQ(openMovieFile(synth, 0, &handed), 0);
  ASSERT_NE(handed, nullptr);
  EXPECT_EQ(movieOf(synth, 0), nullptr);
  EXPECT_EQ(openMovieFile(synth, 0), 0);
  platform::Movie* stored = movieOf(synth, 0);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(openMovieFile(synth, 0), 0);
  EXPECT_EQ(movieOf(synth, 0), stored);

  // A file that is there but is not a movie: the media platform's status, no message.
  temp.write("text.mov", "not a movie at all");
  addMovie(synth, "text.mov", Rect16{0, 0, 2, 2});
  EXPECT_EQ(openMovieFile(synth, 1), QX_ERR_INVALID_MOVIE);
  EXPECT_TRUE(alerts.entries.empty());
  EXPECT_EQ(loadMovie(synth, 1), QX_ERR_INVALID_MOVIE);
  EXPECT_EQ(movieWorldOf(synth, 1), nullptr);
}

TEST_F(MovieTest, FramesDrawIntoAWorldCutToTheFrameAndThenAtTheKeysPlacement) {
  encodeMovie("clip.mov");
  struct Case {
    uint32_t depth, layout;
  };
  for (const Case& c : {Case{32, QX_LAYOUT_32BIT}, Case{16, QX_LAYOUT_555}, Case{16, QX_LAYOUT_565}, Case{8, QX_LAYOUT_8BIT}}) {
    makeFrame(c.depth, c.layout);
    const int32_t synth = makeMovieSynth("clip.mov");
    key(synth, 5).placement = Rect16{2, 3, 6, 8};
    key(synth, 5).layerParam = 1;
    ASSERT_EQ(prepareMovieForKey(synth, 0, 5), QX_OK);
    const document::MovieEntry* entry = document::movieEntry(synth, 0);
    auto* world = static_cast<render::OffscreenPort*>(movieWorldOf(synth, 0));
    ASSERT_NE(world, nullptr);
    EXPECT_EQ(rectText(portBounds(world)), "0,0,8,10") << "16 x 12 cut to the 10 x 8 frame";
    EXPECT_EQ(entry->startKey, 5);
    EXPECT_EQ(entry->effectSlot, -1);
    // Preroll drew the first frame into the world without telling.
    EXPECT_EQ(pixelAt(world, 9, 7), expected(kColors[0])) << c.depth;
    EXPECT_EQ(framePixel(4, 3), 0u);

    startMovie(movieOf(synth, 0));
    EXPECT_FALSE(stepPlayingMovie(synth, 0, false));
    EXPECT_EQ(framePixel(3, 2), expected(kColors[0])) << c.depth;
    EXPECT_EQ(framePixel(7, 5), expected(kColors[0]));
    EXPECT_EQ(framePixel(2, 2), 0u);
    EXPECT_EQ(framePixel(8, 5), 0u);
    clock.advance(250);
    EXPECT_FALSE(stepPlayingMovie(synth, 0, false));
    EXPECT_EQ(framePixel(4, 4), expected(kColors[2])) << c.depth;
    if (c.depth == 32) {
      std::vector<uint32_t> shown;
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 10; ++x) shown.push_back(framePixel(x, y));
      }
      testing::writePng(testing::picturePath("movie_frame_at_key.png"), shown, 10, 8);
    }
    document::synthSlot(synth)->modified = 0;
    document::closeSynth(synth, false);
  }
}

TEST_F(MovieTest, AtDoubledPixelsThePlacementIsHalvedAndAConsumedMovieTellsItsEffect) {
  encodeMovie("clip.mov");
  host.scale = 2.0f;
  const int32_t synth = makeMovieSynth("clip.mov");
  key(synth, 1).placement = Rect16{4, 6, 8, 10};
  key(synth, 1).layerParam = 1;
  ASSERT_EQ(prepareMovieForKey(synth, 0, 1), QX_OK);
  movieFrameDrawn(movieOf(synth, 0), 0);
  EXPECT_TRUE(movieFrameReported());
  EXPECT_EQ(framePixel(3, 2), kColors[0]);
  EXPECT_EQ(framePixel(5, 4), 0u);

  clearFrame();
  document::movieEntry(synth, 0)->effectSlot = 3;
  movieFrameDrawn(movieOf(synth, 0), 0);
  EXPECT_EQ(host.readySlots, std::vector<int32_t>{3});
  EXPECT_EQ(framePixel(3, 2), 0u);
  movieFrameDrawn(movieOf(synth, 0), 7);  // an index outside the table
  EXPECT_EQ(host.readySlots.size(), 1u);
}

TEST_F(MovieTest, AnEmptyFrameIsPlayedButNeverDrawn) {
  encodeMovie("clip.mov");
  struct Case {
    Rect16 frame;
    bool empty;
  };
  for (const Case& c : {Case{Rect16{0, 0, 0, 0}, true}, Case{Rect16{0, 0, 5, 0}, true}, Case{Rect16{0, 0, 4, 4}, false}}) {
    clearFrame();
    const int32_t synth = makeMovieSynth("clip.mov", c.frame);
    key(synth, 0).placement = Rect16{0, 0, 8, 10};
    key(synth, 0).layerParam = 1;
    document::movieEntry(synth, 0)->movieFlags = kMovieEmptyFrame;
    ASSERT_EQ(prepareMovieForKey(synth, 0, 0), QX_OK) << rectText(c.frame);
    EXPECT_EQ((document::movieEntry(synth, 0)->movieFlags & kMovieEmptyFrame) != 0, c.empty) << rectText(c.frame);
    if (c.empty) {
      EXPECT_EQ(rectText(portBounds(static_cast<render::OffscreenPort*>(movieWorldOf(synth, 0)))), "0,0,1,1");
    }
    startMovie(movieOf(synth, 0));
    clock.advance(150);
    EXPECT_FALSE(stepPlayingMovie(synth, 0, false));
    EXPECT_EQ(movieTime(movieOf(synth, 0)), 90);
    EXPECT_EQ(framePixel(0, 0), c.empty ? 0u : kColors[1]) << rectText(c.frame);
    document::synthSlot(synth)->modified = 0;
    document::closeSynth(synth, false);
  }
}

TEST_F(MovieTest, TheFrameLoopLoopsForwardsAndBackwardsOrFinishes) {
  platform::MemoryMovieBackend backend;
  platform::ScopedMovieBackend scopedBackend{backend};
  temp.write("four.mov", "movie");
  backend.add(temp / "four.mov", platform::MemoryMovie{4, 2, {{0xFF0000, 60}, {0x00FF00, 60}, {0x0000FF, 60}, {0x000000, 60}}});
  const int32_t synth = makeMovieSynth("four.mov", Rect16{0, 0, 2, 4});
  key(synth, 0).placement = Rect16{0, 0, 2, 4};
  key(synth, 0).layerParam = 1;
  ASSERT_EQ(prepareMovieForKey(synth, 0, 0), QX_OK);
  platform::Movie* movie = movieOf(synth, 0);
  movie->start();
  clock.advance(500);  // past the end (240 units = 400 ms)
  EXPECT_TRUE(movie->done());
  EXPECT_TRUE(stepPlayingMovie(synth, 0, false));
  EXPECT_FALSE(stepPlayingMovie(synth, 0, true));
  EXPECT_EQ(movie->time(), 0);
  EXPECT_EQ(framePixel(0, 0), 0xFF0000u);

  movie->setRate(-platform::kNormalRate);
  clock.advance(100);
  EXPECT_TRUE(movie->done());
  EXPECT_TRUE(stepPlayingMovie(synth, 0, false));
  EXPECT_FALSE(stepPlayingMovie(synth, 0, true));
  EXPECT_EQ(movie->time(), 240);
  EXPECT_EQ(framePixel(0, 0), 0x000000u);
  clock.advance(150);
  EXPECT_FALSE(stepPlayingMovie(synth, 0, true));
  EXPECT_EQ(framePixel(0, 0), 0x0000FFu);
  EXPECT_EQ(backend.loaded, std::vector<std::string>{}) << "key flag bit 0 is clear";
}

TEST_F(MovieTest, BeforeAKeyStartsAMovieMemoryIsMadeAndTheKeysFlagsAreTaken) {
  platform::MemoryMovieBackend backend;
  platform::ScopedMovieBackend scopedBackend{backend};
  temp.write("clip.mov", "movie");
  backend.add(temp / "clip.mov", platform::MemoryMovie{4, 2, {{0xFF0000, 60}}});
  const int32_t synth = makeMovieSynth("clip.mov", Rect16{0, 0, 8, 10});  // 10 x 8 x 4 bytes, twice: 640
  for (int i = 0; i < 3; ++i) {
    addPicture(synth, "p" + std::to_string(i), testing::writeBmp(testing::BmpSpec{}), kBitmapFormat, Rect16{0, 0, 3, 4});
    ASSERT_NE(getPicture(synth, i), nullptr);
    document::pictureEntry(synth, i)->lastUse = static_cast<uint32_t>(3 - i);
  }
  memory.set(639);
  key(synth, 9).keyFlags = 1;
  ASSERT_EQ(prepareMovieForKey(synth, 0, 9), QX_OK);
  // Each picture's estimate is 4 x 3 x 4 x 4 = 192 bytes: the oldest four... all three go.
  EXPECT_EQ(pictureBuffer(synth, 0), nullptr);
  EXPECT_EQ(pictureBuffer(synth, 1), nullptr);
  EXPECT_EQ(pictureBuffer(synth, 2), nullptr);
  EXPECT_NE(document::movieEntry(synth, 0)->movieFlags & kMoviePlaysFromStart, 0u);
  EXPECT_EQ(backend.loaded, std::vector<std::string>{temp / "clip.mov"});
  EXPECT_EQ(document::movieEntry(synth, 0)->startKey, 9);

  // A loaded movie only records the next key; one that is missing plays nothing.
  memory.set(int64_t{1} << 30);
  EXPECT_EQ(prepareMovieForKey(synth, 0, 11), QX_OK);
  EXPECT_EQ(document::movieEntry(synth, 0)->startKey, 11);
  EXPECT_EQ(backend.opened.size(), 1u);
  addMovie(synth, "gone.mov", Rect16{0, 0, 2, 2});
  EXPECT_EQ(prepareMovieForKey(synth, 1, 11), -1);
  EXPECT_EQ(movieWorldOf(synth, 1), nullptr);
}

TEST_F(MovieTest, DisposingFreesWhatWasOpenedAndLeavesTheRestAlone) {
  encodeMovie("clip.mov");
  const int32_t synth = makeMovieSynth("clip.mov");
  addMovie(synth, "never.mov", Rect16{0, 0, 2, 2});
  disposeMovie(synth, 1);  // never opened
  disposeMovie(synth, 5);
  disposeMovie(synth + 3, 0);
  EXPECT_EQ(movieOf(synth, 1), nullptr);
  ASSERT_EQ(loadMovie(synth, 0), QX_OK);
  addPicture(synth, "p", testing::writeBmp(testing::BmpSpec{}), kBitmapFormat, Rect16{0, 0, 3, 4});
  ASSERT_NE(getPicture(synth, 0), nullptr);

  disposeMovies(synth, false, true);
  EXPECT_NE(movieOf(synth, 0), nullptr);
  EXPECT_EQ(pictureBuffer(synth, 0), nullptr);
  disposeMovies(synth, true, false);
  EXPECT_EQ(movieOf(synth, 0), nullptr);
  EXPECT_EQ(movieWorldOf(synth, 0), nullptr);
  EXPECT_EQ(document::movieEntry(synth, 0)->effectSlot, -1);
}

TEST_F(MovieTest, PreloadingMarksThePatchsMediaAndLoadsThemUntilMemoryRunsShort) {
  encodeMovie("clip.mov");
  const int32_t synth = makeMovieSynth("clip.mov");
  const int32_t other = makeSynth(kColors, "other.qrx");
  addPicture(other, "o", testing::writeBmp(testing::BmpSpec{}), kBitmapFormat, Rect16{0, 0, 3, 4});
  ASSERT_NE(getPicture(other, 0), nullptr);
  for (int i = 0; i < 3; ++i) {
    addPicture(synth, "pic" + std::to_string(i), testing::writeBmp(testing::BmpSpec{}), kBitmapFormat, Rect16{0, 0, 3, 4});
  }
  document::PatchRecord* patch = document::patchRecord(synth, 0);
  patch->keyMedia[10] = document::encodeKeyMedia(document::MediaKind::Picture, 2);
  patch->keyMedia[11] = document::encodeKeyMedia(document::MediaKind::Picture, 0);
  patch->keyMedia[12] = document::encodeKeyMedia(document::MediaKind::Movie, 0);
  patch->keyParams[12].keyFlags = 1;
  document::pictureEntry(synth, 1)->pictureFlags = kPictureUsedByPatch;  // stale: cleared
  host.progress = true;
  preloadPatchMedia(synth);
  EXPECT_EQ(pictureBuffer(other, 0), nullptr);
  EXPECT_NE(pictureBuffer(synth, 0), nullptr);
  EXPECT_EQ(pictureBuffer(synth, 1), nullptr);
  EXPECT_NE(pictureBuffer(synth, 2), nullptr);
  EXPECT_NE(movieOf(synth, 0), nullptr);
  EXPECT_EQ(document::movieEntry(synth, 0)->movieFlags & (kMovieUsedByPatch | kMoviePlaysFromStart),
            kMovieUsedByPatch | kMoviePlaysFromStart);
  EXPECT_EQ(host.progressLines, (std::vector<std::string>{"10,20 Loading movie : ", "150,20 clip.mov",
                                                          "10,20 Loading picture : ", "150,20 pic0", "150,20 pic2"}));

  // Below 819200 bytes preloading stops; off the millisecond clock no movie plays from its start.
  releasePictures(synth);
  host.progressLines.clear();
  host.milliseconds = false;
  memory.set(kPreloadMemoryFloor - 1);
  preloadPatchMedia(synth);
  EXPECT_EQ(pictureBuffer(synth, 0), nullptr);
  EXPECT_EQ(document::movieEntry(synth, 0)->movieFlags & kMoviePlaysFromStart, 0u);
  EXPECT_EQ(host.progressLines.back(), "10,20 Loading picture : ");
}

TEST_F(MovieTest, PlugInsReachMoviesThroughTheHostProcedures) {
  encodeMovie("clip.mov");
  const int32_t synth = makeMovieSynth("clip.mov");
  auto proc = [](int32_t index) { return GetHostProc(index); };
  auto movieOfProc = reinterpret_cast<platform::Movie* (*)(int32_t, int32_t)>(proc(QX_HOST_PROC_MOVIE_OF));
  auto worldProc = reinterpret_cast<void* (*)(int32_t, int32_t)>(proc(QX_HOST_PROC_MOVIE_DATA));
  auto openProc = reinterpret_cast<void (*)(int32_t, int32_t)>(proc(QX_HOST_PROC_MOVIE_OPEN));
  auto rateProc = reinterpret_cast<void (*)(platform::Movie*, int32_t)>(proc(QX_HOST_PROC_MOVIE_SET_RATE));
  auto durationProc = reinterpret_cast<int32_t (*)(platform::Movie*)>(proc(QX_HOST_PROC_MOVIE_DURATION));
  auto scaleProc = reinterpret_cast<int32_t (*)(platform::Movie*)>(proc(QX_HOST_PROC_MOVIE_TIME_SCALE));
  auto setTimeProc = reinterpret_cast<void (*)(platform::Movie*, int32_t)>(proc(QX_HOST_PROC_MOVIE_SET_TIME));
  auto timeProc = reinterpret_cast<int32_t (*)(platform::Movie*)>(proc(QX_HOST_PROC_MOVIE_TIME));
  auto startProc = reinterpret_cast<void (*)(platform::Movie*)>(proc(QX_HOST_PROC_MOVIE_START));
  auto stopProc = reinterpret_cast<void (*)(platform::Movie*)>(proc(QX_HOST_PROC_MOVIE_STOP));
  auto updateProc = reinterpret_cast<void (*)(platform::Movie*)>(proc(QX_HOST_PROC_MOVIE_UPDATE));
  auto handlerProc = reinterpret_cast<const platform::MediaHandler* (*)(platform::Movie*)>(proc(QX_HOST_PROC_MOVIE_HANDLER));
  auto loopProc = reinterpret_cast<void (*)(platform::Movie*, int32_t)>(proc(QX_HOST_PROC_MOVIE_SET_LOOP));
  auto statusProc = reinterpret_cast<int32_t (*)()>(proc(QX_HOST_PROC_MEDIA_PLATFORM));

  // No movie (null, or not one of the Synths' open movies): nothing done, 0 read.
  platform::Movie* strangers[] = {nullptr, reinterpret_cast<platform::Movie*>(&host)};
  for (platform::Movie* none : strangers) {
    rateProc(none, platform::kNormalRate);
    setTimeProc(none, 10);
    startProc(none);
    stopProc(none);
    updateProc(none);
    loopProc(none, 1);
    EXPECT_EQ(durationProc(none), 0);
    EXPECT_EQ(scaleProc(none), 0);
    EXPECT_EQ(timeProc(none), 0);
    EXPECT_EQ(handlerProc(none), nullptr);
  }
  EXPECT_TRUE(host.loopCalls.empty());
  EXPECT_EQ(movieOfProc(synth, 0), nullptr);
  EXPECT_EQ(movieOfProc(synth, 1), nullptr);
  EXPECT_EQ(movieOfProc(-1, 0), nullptr);

  openProc(synth, 0);
  platform::Movie* movie = movieOfProc(synth, 0);
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(worldProc(synth, 0), movieWorldOf(synth, 0));
  EXPECT_NE(worldProc(synth, 0), nullptr);
  openProc(synth, 0);
  EXPECT_EQ(movieOfProc(synth, 0), movie);
  EXPECT_EQ(durationProc(movie), 360);
  EXPECT_EQ(scaleProc(movie), 600);
  ASSERT_NE(handlerProc(movie), nullptr);
  EXPECT_EQ(handlerProc(movie)->frameCount, 6);
  setTimeProc(movie, 130);
  EXPECT_EQ(timeProc(movie), 130);
  rateProc(movie, 2 * platform::kNormalRate);
  clock.advance(100);
  EXPECT_EQ(timeProc(movie), 250);
  stopProc(movie);
  clock.advance(100);
  EXPECT_EQ(timeProc(movie), 250);
  startProc(movie);
  EXPECT_EQ(movie->rate(), platform::kNormalRate);
  clearMovieFrameReported();
  updateProc(movie);
  EXPECT_TRUE(movieFrameReported()) << "the frame is drawn again at once";
  loopProc(movie, 1);
  ASSERT_EQ(host.loopCalls.size(), 1u);
  EXPECT_EQ(host.loopCalls[0].first, movie);
  EXPECT_EQ(statusProc(), platform::mediaPlatformStatus());
}

}  // namespace
}  // namespace quorix::media
