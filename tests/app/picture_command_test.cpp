// quorix picture: standalone bitmaps and QuickDraw pictures and pictures of a visual written
// as PNGs, compared byte for byte with the PNG of the pixels expected; and its errors.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/png_writer.h"
#include "document/synth_document.h"
#include "document/synth_list.h"
#include "media/add_medium.h"
#include "media/importer_registry.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/pict_writer.h"
#include "tests/support/run_program.h"

namespace quorix {
namespace {

const std::vector<uint32_t> kColors = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFFFF00};

uint32_t colorAt(int x, int y) { return kColors[static_cast<size_t>(x + 2 * y) % kColors.size()]; }

// The PNG of `width` x `height` pixels, each colour passed through `shown` (what the depth
// keeps of it).
std::string expectedPng(int width, int height, uint32_t (*shown)(uint32_t)) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = shown(colorAt(x, y));
      rgb.insert(rgb.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
    }
  }
  const std::vector<uint8_t> png = encodePng(width, height, rgb);
  return std::string(png.begin(), png.end());
}

uint32_t same(uint32_t c) { return c; }
// Five bits a component, the top bits repeated below (green keeps five bits in 5-6-5 too,
// since pictures are drawn as 5-5-5 first).
uint32_t through555(uint32_t c) {
  auto cut = [](uint32_t v) { v = (v & 0xFF) >> 3; return (v << 3) | (v >> 2); };
  return cut(c >> 16) << 16 | cut(c >> 8) << 8 | cut(c);
}
uint32_t through565(uint32_t c) {
  const uint32_t g = (c >> 8 & 0xFF) >> 3 << 1;  // 6 bits, low bit 0
  return (through555(c) & 0xFF00FF) | (((g << 2) | (g >> 4)) << 8);
}

class PictureCommand : public ::testing::Test {
 protected:
  testing::ProgramResult quorix(std::vector<std::string> args) {
    args.insert(args.begin(), {"--base-folder", temp.makeFolder("base"), "picture"});
    return testing::runProgram(QUORIX_PROGRAM, args, {"TMPDIR=" + temp.makeFolder("tmp")});
  }
  std::string bmp() {
    testing::BmpSpec spec;
    spec.width = 5;
    spec.height = 3;
    spec.pixel = colorAt;
    return temp.write("colours.bmp", testing::writeBmp(spec));
  }
  std::string pct() {
    testing::PictImage image{5, 3, {}};
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) image.pixels.push_back(colorAt(x, y));
    }
    const Rect16 all{0, 0, 3, 5};
    return temp.write("colours.pct", testing::PictWriter(2, all).direct(32, 4, image, all, all, 3).pctFile());
  }
  testing::TempFolder temp;
};

TEST_F(PictureCommand, StandaloneFilesAtEachDepthAndLayout) {
  struct Case {
    bool quickDraw;
    std::vector<std::string> options;
    uint32_t (*shown)(uint32_t);
  };
  const Case cases[] = {
      {false, {}, same},  // 32 bits by default
      {false, {"--depth", "16"}, through555},
      {false, {"--depth", "16", "--layout", "565"}, through565},
      {true, {"--depth", "32"}, same},
      {true, {"--depth", "16", "--layout", "565"}, through565},
      {false, {"--depth", "8"}, same},  // every colour is in the default table
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {c.quickDraw ? pct() : bmp(), "-o", temp / "out.png"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    testing::ProgramResult result = quorix(args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("5 x 3 pixels"), std::string::npos) << result.out;
    EXPECT_EQ(testing::readFile(temp / "out.png"), expectedPng(5, 3, c.shown)) << args[0] << " " << args.size();
  }
  EXPECT_TRUE(std::filesystem::is_empty(temp / "tmp")) << "the scratch Synth is removed";
}

TEST_F(PictureCommand, PicturesOfAVisualAtTheVisualsDepthOrScaledDown) {
  const std::string visual = temp / "visual.qrx";
  {
    media::importerRegistry().build(false, {});  // the bitmap importer reads the bounds
    const int32_t synth = document::newSynth(visual);  // 16 bits
    ASSERT_GE(synth, 0);
    testing::BmpSpec spec;
    spec.width = 4;
    spec.height = -2;
    spec.pixel = [](int, int) { return 0x0000FFu; };
    const std::string blue = testing::writeBmp(spec);
    spec.width = 5;
    spec.height = 3;
    spec.pixel = colorAt;
    const std::string colours = testing::writeBmp(spec);
    ASSERT_EQ(media::addMedium(synth, "blue.bmp", 0, blue.data(), static_cast<int32_t>(blue.size())), 0);
    ASSERT_EQ(media::addMedium(synth, "colours.bmp", 0, colours.data(), static_cast<int32_t>(colours.size())), 1);
    ASSERT_EQ(document::saveSynth(synth), 0);
    document::closeSynth(synth, false);
    media::importerRegistry().clear();
  }
  testing::ProgramResult result = quorix({visual, "1", "-o", temp / "out.png"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(testing::readFile(temp / "out.png"), expectedPng(5, 3, through555));
  result = quorix({visual, "0", "-o", temp / "half.png", "--scale", "2", "--depth", "32"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::vector<uint8_t> blue = {0, 0, 255, 0, 0, 255};
  const std::vector<uint8_t> png = encodePng(2, 1, blue);
  EXPECT_EQ(testing::readFile(temp / "half.png"), std::string(png.begin(), png.end()));
}

TEST_F(PictureCommand, BadCommandLinesAndFiles) {
  const std::string good = bmp();
  std::string damaged = testing::readFile(good);
  damaged[0] = 'X';
  const std::string bad = temp.write("damaged.bmp", damaged);
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* says;
  };
  const Case cases[] = {
      {{good}, 2, "-o OUT.png is required"},
      {{good, "-o"}, 2, "-o needs a file name"},
      {{good, "-o", "x.png", "--depth", "24"}, 2, "--depth takes 8, 16 or 32"},
      {{good, "-o", "x.png", "--scale", "3"}, 2, "--scale takes 1 or 2"},
      {{good, "-o", "x.png", "--layout", "556"}, 2, "--layout takes 555 or 565"},
      {{good, "x", "-o", "x.png"}, 2, "INDEX must be a number"},
      {{good, "-o", "x.png", "--fast"}, 2, "unknown option"},
      {{temp / "missing.bmp", "-o", "x.png"}, 1, "is not a file that can be read"},
      {{bad, "-o", temp / "x.png"}, 1, "not a picture this engine decodes"},
      {{good, "-o", temp / "no/such/folder/x.png"}, 1, "cannot write"},
  };
  for (const Case& c : cases) {
    testing::ProgramResult result = quorix(c.args);
    EXPECT_EQ(result.exitCode, c.code) << c.says;
    EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
  }
  EXPECT_EQ(quorix({"--help"}).exitCode, 0);
}

}  // namespace
}  // namespace quorix
