#include <gtest/gtest.h>

#include <cstring>

#include "platform/font/font.h"
#include "platform/window/memory/memory_window_backend.h"
#include "render/glyph_font.h"
#include "tests/support/png_writer.h"

namespace quorix::render {
namespace {

// A buffer of `rows` visible rows and four guard rows below them that nothing may touch.
struct Frame {
  std::vector<uint8_t> memory;
  BufferDesc desc{};
  int32_t width, rows, bytes;

  Frame(int32_t w, int32_t h, uint32_t depth, uint32_t layout, uint8_t fill = 0)
      : width(w), rows(h), bytes(static_cast<int32_t>(depth / 8)) {
    desc.bitsPerPixel = depth;
    desc.rowBytes = w * bytes;
    desc.bounds = Rect16{0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)};
    desc.layoutCode = layout;
    memory.assign(static_cast<size_t>(desc.rowBytes) * (h + 4), fill);
    desc.baseAddr = memory.data();
  }
  uint32_t pixel(int x, int y) const {
    uint32_t v = 0;
    std::memcpy(&v, memory.data() + static_cast<size_t>(y) * desc.rowBytes + x * bytes, bytes);
    return v;
  }
  bool guardUntouched(uint8_t fill = 0) const {
    for (size_t i = static_cast<size_t>(desc.rowBytes) * rows; i < memory.size(); ++i) {
      if (memory[i] != fill) return false;
    }
    return true;
  }
};

std::vector<uint8_t> counted(const std::string& text) {
  std::vector<uint8_t> out{static_cast<uint8_t>(text.size())};
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

class GlyphFontTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::MemoryWindowBackend screen;
    platform::ScopedWindowBackend scope(screen);
    ASSERT_EQ(makeGlyphFont(font, 12), kGlyphFontReady);
  }
  static void TearDownTestSuite() { releaseGlyphFont(font); }

  // Coverage of glyph c at (col, row).
  static uint8_t coverage(uint8_t c, int col, int row) {
    const auto* strip = static_cast<const uint8_t*>(font.strip.baseAddr);
    return strip[row * font.strip.rowBytes + font.glyphs[c].column + col];
  }
  static GlyphFont font;
};
GlyphFont GlyphFontTest::font;

TEST_F(GlyphFontTest, GlyphsArePackedSideBySideAtHalfTheRenderedSize) {
  EXPECT_EQ(font.doubleSize, 1);
  EXPECT_EQ(font.glyphs[0].column, 0);
  for (int c = 1; c < 256; ++c) {
    EXPECT_EQ(font.glyphs[c].column, font.glyphs[c - 1].column + font.glyphs[c - 1].advance);
  }
  EXPECT_EQ(font.strip.bounds.right, font.glyphs[255].column + font.glyphs[255].advance);
  // 12 points: a 31-pixel font drawn at twice the size, so glyphs about 17 rows high.
  EXPECT_GE(font.glyphs['A'].height, 15);
  EXPECT_LE(font.glyphs['A'].height, 18);
  EXPECT_GT(font.glyphs['W'].advance, font.glyphs['i'].advance);
  EXPECT_EQ(glyphStringWidth(font, counted("Frame").data()),
            font.glyphs['F'].advance + font.glyphs['r'].advance + font.glyphs['a'].advance +
                font.glyphs['m'].advance + font.glyphs['e'].advance);
  // Coverage comes in steps of a quarter: 0, 63, 127, 191 or 255.
  int full = 0;
  for (int row = 0; row < font.glyphs['H'].height; ++row) {
    for (int col = 0; col < font.glyphs['H'].advance; ++col) {
      uint8_t a = coverage('H', col, row);
      EXPECT_TRUE(a == 0 || a == 63 || a == 127 || a == 191 || a == 255) << int(a);
      full += a == 255;
    }
  }
  EXPECT_GT(full, 10);
}

TEST_F(GlyphFontTest, BlendsCoverageIntoEachFormat) {
  struct Case {
    const char* name;
    uint32_t depth, layout, color, background;
    std::function<uint32_t(uint32_t d, uint32_t k, uint32_t a)> expected;
  } cases[] = {
      {"5-6-5", 16, QX_LAYOUT_565, 0xFFFFFF00u, 0x0841,
       [](uint32_t d, uint32_t k, uint32_t a) {
         auto m = [a](uint32_t x, uint32_t y) { return (x * (255 - a) + y * a) >> 8; };
         k &= 0xFFFF;
         return (m(d >> 11, k >> 11) << 11) | (m((d >> 5) & 63, (k >> 5) & 63) << 5) | m(d & 31, k & 31);
       }},
      {"5-5-5", 16, QX_LAYOUT_555, 0x7FFF, 0x0421,
       [](uint32_t d, uint32_t k, uint32_t a) {
         auto m = [a](uint32_t x, uint32_t y) { return (x * (255 - a) + y * a) >> 8; };
         return (m(d >> 10, k >> 10) << 10) | (m((d >> 5) & 31, (k >> 5) & 31) << 5) | m(d & 31, k & 31);
       }},
      {"32-bit", 32, QX_LAYOUT_32BIT, 0x00FFC080u, 0x80402010u,
       [](uint32_t d, uint32_t k, uint32_t a) {
         uint32_t out = d & 0xFF000000u;  // the fourth byte is left alone
         for (int s = 0; s < 24; s += 8) {
           out |= ((((d >> s) & 0xFF) * (255 - a) + ((k >> s) & 0xFF) * a) / 255) << s;
         }
         return out;
       }},
  };
  for (const Case& c : cases) {
    Frame frame(40, 30, c.depth, c.layout);
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        std::memcpy(frame.memory.data() + y * frame.desc.rowBytes + x * frame.bytes, &c.background,
                    frame.bytes);
      }
    }
    drawGlyphString(font, counted("H").data(), frame.desc, 5, 3, c.color, 100, kAlignLeft);
    int checked = 0;
    for (int row = 0; row < font.glyphs['H'].height; ++row) {
      for (int col = 0; col < font.glyphs['H'].advance; ++col) {
        uint32_t a = coverage('H', col, row);
        uint32_t d = c.depth == 16 ? (c.background & 0xFFFF) : c.background;
        uint32_t want = a == 0 ? d : a == 255 ? (c.depth == 16 ? c.color & 0xFFFF : c.color)
                                              : c.expected(d, c.color, a);
        ASSERT_EQ(frame.pixel(5 + col, 3 + row), want) << c.name << " " << col << "," << row;
        checked += a != 0;
      }
    }
    EXPECT_GT(checked, 0) << c.name;
  }
  // The status colour in 5-6-5: red 31, green 56, blue 0 where the coverage is full.
  Frame frame(40, 30, 16, QX_LAYOUT_565);
  drawGlyphString(font, counted("H").data(), frame.desc, 0, 0, 0xFFFFFF00u, 100, kAlignLeft);
  bool found = false;
  for (int y = 0; y < 30 && !found; ++y) {
    for (int x = 0; x < 40 && !found; ++x) found = frame.pixel(x, y) == ((31u << 11) | (56u << 5));
  }
  EXPECT_TRUE(found);
}

TEST_F(GlyphFontTest, PlacementLimitsAndEdges) {
  // Centred text wider than the limit sits as if it were exactly the limit wide.
  Frame centred(200, 30, 16, QX_LAYOUT_555), left(200, 30, 16, QX_LAYOUT_555);
  std::vector<uint8_t> text = counted("Frame/s 060.0 Sound 00500");
  drawGlyphString(font, text.data(), centred.desc, 100, 2, 0x7FFF, 40, kAlignCentre);
  drawGlyphString(font, text.data(), left.desc, 80, 2, 0x7FFF, 40, kAlignLeft);
  EXPECT_EQ(centred.memory, left.memory);
  // Drawing stops after the glyph that crossed the limit.
  int32_t lastColumn = 0;
  for (int x = 0; x < 200; ++x) {
    for (int y = 0; y < 30; ++y) {
      if (left.pixel(x, y) != 0) lastColumn = x;
    }
  }
  int32_t pen = 0, end = 0;
  for (int i = 1; i <= text[0]; ++i) {
    pen += font.glyphs[text[i]].advance;
    end = pen;
    if (pen > 40) break;
  }
  EXPECT_LT(lastColumn, 80 + end);
  EXPECT_GT(lastColumn, 80 + 40 - font.glyphs['W'].advance);

  // y equal to the height is accepted and draws nothing; nothing is written past the buffer.
  struct Edge {
    int32_t x, y;
    bool inks;
  } edges[] = {{0, 30, false}, {0, 31, false}, {0, 25, true}, {-1, 0, false}, {200, 0, false},
               {201, 0, false}, {190, 0, true}};
  for (const Edge& e : edges) {
    Frame frame(200, 30, 16, QX_LAYOUT_555);
    drawGlyphText(font, "WWW", frame.desc, e.x, e.y, 0x7FFF, 1000, kAlignLeft);
    bool inked = std::any_of(frame.memory.begin(), frame.memory.end(), [](uint8_t b) { return b != 0; });
    EXPECT_EQ(inked, e.inks) << e.x << "," << e.y;
    EXPECT_TRUE(frame.guardUntouched()) << e.x << "," << e.y;
  }

  // 8-bit frames and unknown 16-bit layouts get nothing.
  for (auto [depth, layout] : {std::pair{8u, 0u}, {16u, 0u}, {16u, 3u}}) {
    Frame frame(100, 30, depth, layout);
    drawGlyphText(font, "Sound", frame.desc, 0, 0, 0xFFFF, 100, kAlignLeft);
    EXPECT_TRUE(std::all_of(frame.memory.begin(), frame.memory.end(), [](uint8_t b) { return b == 0; }));
  }

  // A terminated string longer than 255 characters is cut to 255.
  std::string dots(300, '.');
  Frame wide(4000, 30, 32, QX_LAYOUT_32BIT);
  drawGlyphText(font, dots.c_str(), wide.desc, 0, 0, 0xFFFFFF, 100000, kAlignLeft);
  int32_t rightmost = 0;
  for (int x = 0; x < 4000; ++x) {
    for (int y = 0; y < 30; ++y) {
      if (wide.pixel(x, y) != 0) rightmost = x;
    }
  }
  EXPECT_LT(rightmost, 255 * font.glyphs['.'].advance);
  EXPECT_GT(rightmost, 254 * font.glyphs['.'].advance - font.glyphs['.'].advance);
}

TEST(GlyphFontMissing, AFontWithoutItsFileSaysSoAndDrawsNothing) {
  platform::MemoryWindowBackend screen;
  platform::ScopedWindowBackend scope(screen);
  platform::ScopedFontSearchList none({"/nonexistent/font.ttf"});
  GlyphFont missing;
  EXPECT_EQ(makeGlyphFont(missing, 12), kGlyphFontNoFont);
  EXPECT_EQ(missing.strip.baseAddr, nullptr);
  Frame frame(100, 30, 16, QX_LAYOUT_565);
  drawGlyphText(missing, "Sound", frame.desc, 0, 0, 0xFFFF, 100, kAlignLeft);
  EXPECT_TRUE(std::all_of(frame.memory.begin(), frame.memory.end(), [](uint8_t b) { return b == 0; }));
  releaseGlyphFont(missing);
}

TEST_F(GlyphFontTest, StatusLineLooksRight) {
  Frame frame(320, 40, 16, QX_LAYOUT_565);
  drawGlyphText(font, "Frame/s 059.9 Sound 00512 SPerf 03.5", frame.desc, 160, 4, 0xFFFFFF00u,
                320, kAlignCentre);
  std::vector<uint32_t> rgb;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 320; ++x) {
      uint32_t p = frame.pixel(x, y);
      rgb.push_back(((p >> 11) << 19) | (((p >> 5) & 63) << 10) | ((p & 31) << 3));
    }
  }
  EXPECT_TRUE(testing::writePng(testing::picturePath("status_line.png"), rgb, 320, 40));
}

}  // namespace
}  // namespace quorix::render
