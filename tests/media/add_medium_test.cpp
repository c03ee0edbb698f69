// Adding media to a Synth at run time (host procedure 31): types from names, the importer
// that takes them, the bounds it reads, movies by name, and the limits.
#include <gtest/gtest.h>

#include "common/counted_string.h"
#include "common/fourcc.h"
#include "media/add_medium.h"
#include "plugin/host_procedures.h"
#include "plugin_sdk/status_codes.h"
#include "tests/media/media_fixture.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/pict_writer.h"

namespace quorix::media {
namespace {

using AddMediumProc = int32_t (*)(int32_t, const char*, FourCC, const void*, int32_t);

class AddMediumTest : public MediaTest {};

TEST_F(AddMediumTest, PicturesAndMoviesJoinTheirTables) {
  const int32_t synth = makeSynth();
  document::synthSlot(synth)->modified = 0;
  testing::BmpSpec spec;
  spec.width = 6;
  spec.height = -2;
  const std::string bmp = testing::writeBmp(spec);
  const Rect16 frame{0, 0, 4, 7};
  const std::string pict = testing::PictWriter(2, frame).finish();
  auto add = reinterpret_cast<AddMediumProc>(GetHostProc(QX_HOST_PROC_LOAD_MEDIA));
  ASSERT_NE(add, nullptr);

  struct Case {
    const char* name;
    FourCC type;
    const std::string* bytes;
    int32_t result;
    FourCC format;
    const char* bounds;
  };
  const Case cases[] = {
      {"photo.bmp", 0, &bmp, 0, kBitmapFormat, "0,0,2,6"},
      {"scan.pct", 0, &pict, 1, kQuickDrawFormat, "0,0,4,7"},     // 'PCT ' from the name
      {"other", fourcc("PICT"), &pict, 2, kQuickDrawFormat, "0,0,4,7"},
      {"ab", 0, &bmp, 3, kBitmapFormat, "0,0,2,6"},               // too short for a type
      {"photo.bmp", 0, &pict, 0, kBitmapFormat, "0,0,2,6"},       // already there: unchanged
  };
  for (const Case& c : cases) {
    EXPECT_EQ(add(synth, c.name, c.type, c.bytes->data(), static_cast<int32_t>(c.bytes->size())), c.result) << c.name;
    const document::PictureEntry* picture = document::pictureEntry(synth, c.result);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->format, c.format) << c.name;
    EXPECT_EQ(rectText(picture->bounds), c.bounds) << c.name;
  }
  EXPECT_EQ(document::synthSlot(synth)->modified, 1u);
  // The stored bytes decode like any picture of the Synth.
  setFrame(32, QX_LAYOUT_32BIT);
  ASSERT_NE(getPicture(synth, 0), nullptr);
  EXPECT_EQ(pixelAt(getPicture(synth, 0), 5, 1), 0u);

  EXPECT_EQ(addMedium(synth, "clip.mov", fourcc("MooV"), nullptr, 0), 0);
  EXPECT_EQ(addMedium(synth, "C:\\films\\clip.mov", kMovieType, nullptr, 0), 0);  // same file name
  EXPECT_EQ(readCountedString(document::movieEntry(synth, 0)->fileName, 256), "clip.mov");
  EXPECT_EQ(addMedium(synth, "film.MOO", fourcc("MooV"), nullptr, 0), 1);
  EXPECT_EQ(document::movieEntry(synth, 1)->effectSlot, -1);
}

TEST_F(AddMediumTest, RefusesWhatItCannotAdd) {
  const int32_t synth = makeSynth();
  const std::string bmp = testing::writeBmp(testing::BmpSpec{});
  EXPECT_EQ(addMedium(synth + 1, "a.bmp", 0, bmp.data(), 10), QX_ERR_NO_SYNTH);
  EXPECT_EQ(addMedium(synth, nullptr, 0, bmp.data(), 10), QX_ERR_NO_SYNTH);
  EXPECT_EQ(addMedium(synth, "", 0, bmp.data(), 10), QX_ERR_NO_SYNTH);
  EXPECT_EQ(addMedium(synth, "a.bmp", 0, nullptr, 10), QX_ERR_PICTURE_DATA);
  EXPECT_EQ(addMedium(synth, "a.bmp", 0, bmp.data(), 0), QX_ERR_PICTURE_DATA);
  EXPECT_EQ(document::PictureTable::count(document::synthSlot(synth)->pictures), 0);
  for (int i = 0; i < kMaxPicturesPerSynth; ++i) {
    ASSERT_EQ(addMedium(synth, ("p" + std::to_string(i) + ".bmp").c_str(), 0, bmp.data(), static_cast<int32_t>(bmp.size())), i);
  }
  EXPECT_EQ(addMedium(synth, "last.bmp", 0, bmp.data(), static_cast<int32_t>(bmp.size())), QX_ERR_TOO_MANY_PICTURES);
}

}  // namespace
}  // namespace quorix::media
