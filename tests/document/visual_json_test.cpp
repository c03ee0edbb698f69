#include <gtest/gtest.h>

#include <filesystem>

#include "assets/bitmap_writer.h"
#include "common/color_table.h"
#include "common/counted_string.h"
#include "document/synth_check.h"
#include "document/visual_json.h"
#include "tests/document/synth_test_support.h"

namespace quorix::document {
namespace {

using testing::readFile;

// A QuickDraw picture's data: size word, frame, version 1 opcode, end.
std::string pictData(int16_t top, int16_t left, int16_t bottom, int16_t right) {
  return testing::be16(0) + testing::be16(static_cast<uint16_t>(top)) +
         testing::be16(static_cast<uint16_t>(left)) + testing::be16(static_cast<uint16_t>(bottom)) +
         testing::be16(static_cast<uint16_t>(right)) + "\x11\x01\xFF";
}

std::string bitmap(int width, int height, bool topDown = false) {
  assets::Bitmap b{width, height, 24, std::vector<uint8_t>(static_cast<size_t>(width * height * 3), 7), {}, topDown};
  return assets::bitmapFile(b);
}

// A JSON text as the foundation's compact dump writes it.
std::string same(const std::string& text) { return Json::parse(text)->dump(); }

class VisualJsonTest : public SynthTest {
 protected:
  // The rich fixture with data for pictures 0 (a bitmap) and 1 (a QuickDraw picture), saved.
  std::string writeRichWithPictures(const std::string& path) {
    int32_t synth = testing::makeRichSynth(path);
    saveSynth(synth);
    std::string bmp = bitmap(20, 10);
    std::string pict = pictData(0, 0, 20, 40);
    storePictureData(synth, 0, bmp.data(), static_cast<uint32_t>(bmp.size()));
    storePictureData(synth, 1, pict.data(), static_cast<uint32_t>(pict.size()));
    closeSynth(synth, false);
    return path;
  }

  std::optional<Json> describe(const std::string& path, const std::string& extract = "") {
    int32_t synth = openSynth(path, true);
    if (synth < 0) return std::nullopt;
    std::string error;
    std::optional<Json> visual = describeSynth(synth, extract, &error);
    EXPECT_TRUE(visual) << error;
    closeSynth(synth, false);
    return visual;
  }

  // buildSynth's complaint about a description, or "" when it is valid.
  std::string complaint(const std::string& text) {
    std::optional<Json> visual = Json::parse(text);
    if (!visual) return "<not JSON>";
    int32_t synth = newSynth(temp / "checked.qrx");
    std::string error;
    bool ok = buildSynth(*visual, temp.path(), synth, &error);
    synthSlot(synth)->modified = 0;
    closeSynth(synth, false);
    return ok ? "" : error;
  }
};

TEST_F(VisualJsonTest, ADescriptionWithItsFilesMakesTheSameVisualAgain) {
  std::string original = writeRichWithPictures(temp / "original.qrx");
  std::optional<Json> first = describe(original, temp / "extracted");
  ASSERT_TRUE(first);
  EXPECT_EQ(readFile(temp / "extracted/picture-0.bmp"), bitmap(20, 10));
  EXPECT_EQ(readFile(temp / "extracted/picture-1.pct"), std::string(512, '\0') + pictData(0, 0, 20, 40));
  EXPECT_FALSE(std::filesystem::exists(temp / "extracted/picture-2.bmp"));
  EXPECT_EQ(readFile(temp / "extracted/blob-0.bin"), "glassburst settings");
  EXPECT_EQ(readFile(temp / "extracted/transparency.bin").size(), 300u);

  std::string error;
  ASSERT_EQ(VisualWrite::Written, writeVisual(*first, temp / "extracted", temp / "again.qrx", &error)) << error;
  EXPECT_EQ(synthList().count(), 0);
  std::optional<Json> second = describe(temp / "again.qrx", temp / "extracted2");
  ASSERT_TRUE(second);
  Json a = *first;
  Json b = *second;
  a.set("chunks", Json());
  b.set("chunks", Json());
  EXPECT_EQ(a.dump(1), b.dump(1));
  // The same description made twice gives the same bytes.
  ASSERT_EQ(VisualWrite::Written, writeVisual(*second, temp / "extracted2", temp / "third.qrx", &error)) << error;
  EXPECT_EQ(readFile(temp / "again.qrx"), readFile(temp / "third.qrx"));
}

TEST_F(VisualJsonTest, TheDescriptionNamesEveryFieldAsTheFileHoldsIt) {
  std::optional<Json> visual = describe(writeRichWithPictures(temp / "rich.qrx"));
  ASSERT_TRUE(visual);
  const Json& v = *visual;
  EXPECT_EQ(v["chunks"][0].dump(), same(R"({"type":"BLOB","id":0,"used":68,"allocated":68,"offset":0})"));
  EXPECT_EQ(v["header"]["settings2"].asInteger(), 0x80000000LL);
  EXPECT_EQ(v["header"]["reserved1"].dump(), same("[16909060,0,0,4294967295]"));
  ASSERT_EQ(v["patches"].size(), 2u);
  const Json& intro = v["patches"][0];
  EXPECT_EQ(intro["number"].asInteger(), 3);
  EXPECT_EQ(v["patches"][1]["name"].asString(), "F\xC3\xAAte finale");  // UTF-8
  ASSERT_EQ(intro["keys"].size(), 128u);
  const Json& key60 = intro["keys"][60];
  EXPECT_EQ(key60.dump(),
            same(R"({"key":60,"keyMedia":1,"media":{"kind":"picture","index":0},"keyEffect":2,)"
            R"("placement":[10,20,110,220],"param4":7,"param5":1,"param6":4,"layerParam":3,)"
            R"("keyFlags":2,"effectSettings":")" + std::string(128, '0') + "\"}"));
  EXPECT_EQ(intro["keys"][61]["effectSettings"].asString().substr(0, 16), "474c415300000001");
  EXPECT_EQ(intro["keys"][63]["media"].dump(), same(R"({"kind":"object","index":-1})"));
  EXPECT_TRUE(intro["keys"][0]["media"].isNull());
  EXPECT_EQ(v["pictures"][1]["format"].asString(), "PICT");
  EXPECT_EQ(v["pictures"][0]["format"].asInteger(), 0);
  EXPECT_EQ(v["pictures"][0]["dataSize"].asInteger(), static_cast<int64_t>(bitmap(20, 10).size()));
  EXPECT_TRUE(v["pictures"][2]["dataSize"].isNull());
  EXPECT_EQ(v["movies"][0]["movieId"].asInteger(), -2);
  EXPECT_EQ(v["movies"][0]["fileName"].asString(), "C:\\Movies\\clip.mov");
  EXPECT_EQ(v["colorTable"]["entries"][1].dump(), same("[1,65535,0,0]"));
  EXPECT_EQ(v["transparency"]["size"].asInteger(), 300);
  EXPECT_EQ(v["blobs"][1].dump(), same(R"({"id":2,"tag":"TAsh","size":3})"));
  const Json& track = v["tracks"][0];
  EXPECT_EQ(track["events"].dump(), same("[[0,144,60,64],[30,144,61,100],[60,128,60,0]]"));
  EXPECT_EQ(track["cursor"].asInteger(), 1);
  EXPECT_EQ(track["settings"]["text1"].asString(), "first text");
  EXPECT_EQ(v["placements"][1].dump(), same(R"({"w1":2,"w2":3,"w3":4,"rect":[10,20,30,40]})"));
}

TEST_F(VisualJsonTest, OmittedFieldsTakeTheDefaultsOfANewSynthAndPatch) {
  std::string error;
  std::optional<Json> visual =
      Json::parse(R"({"patches": [{"number": 4, "keys": [{"key": 9, "keyEffect": 5}]}]})");
  ASSERT_EQ(VisualWrite::Written, writeVisual(*visual, temp.path(), temp / "defaults.qrx", &error)) << error;
  int32_t synth = openSynth(temp / "defaults.qrx", true);
  ASSERT_EQ(synth, 0);
  const SynthHeader& header = *synthHeader(synth);
  EXPECT_EQ(header.version, 7);
  EXPECT_EQ(header.screenWidth, 640);
  EXPECT_EQ(header.screenHeight, 480);
  EXPECT_EQ(header.pixelDepth, 16);
  EXPECT_EQ(header.transparencyLevels, 1);
  EXPECT_EQ(header.midiChannel, 1);
  EXPECT_EQ(colorTableCount(synthSlot(synth)->colors), 256);
  const PatchRecord& patch = *patchRecord(synth, 4);
  EXPECT_EQ(patch.keyEffect[9], 5);
  EXPECT_EQ(patch.keyParams[9].param6, 4);
  EXPECT_EQ(patch.keyParams[10].layerParam, 1);
  EXPECT_EQ(checkSynth(synth), std::vector<std::string>{});
}

TEST_F(VisualJsonTest, PictureFilesGiveTheirDataAndSize) {
  temp.write("up.bmp", bitmap(30, 12, true));
  temp.write("frame.pct", std::string(512, 'h') + pictData(5, 10, 25, 50));
  temp.write("raw.jpg", "jpeg bytes");
  std::string error;
  std::optional<Json> visual = Json::parse(R"({"pictures": [
      {"name": "up", "file": "up.bmp"},
      {"name": "frame", "file": "frame.pct"},
      {"name": "bounded", "file": "up.bmp", "bounds": [1, 2, 3, 4]},
      {"name": "jpeg", "file": "raw.jpg", "format": "JPEG", "bounds": [0, 0, 8, 8]},
      {"name": "empty"}]})");
  ASSERT_EQ(VisualWrite::Written, writeVisual(*visual, temp.path(), temp / "pictures.qrx", &error)) << error;
  std::optional<Json> back = describe(temp / "pictures.qrx");
  ASSERT_TRUE(back);
  const Json& p = (*back)["pictures"];
  EXPECT_EQ(p[0]["bounds"].dump(), same("[0,0,12,30]"));
  EXPECT_EQ(p[0]["dataSize"].asInteger(), static_cast<int64_t>(bitmap(30, 12, true).size()));
  EXPECT_EQ(p[1]["bounds"].dump(), same("[0,0,20,40]"));
  EXPECT_EQ(p[1]["format"].asString(), "PICT");
  EXPECT_EQ(p[1]["dataSize"].asInteger(), static_cast<int64_t>(pictData(0, 0, 0, 0).size()));
  EXPECT_EQ(p[2]["bounds"].dump(), same("[1,2,3,4]"));
  EXPECT_EQ(p[3]["format"].asString(), "JPEG");
  EXPECT_EQ(p[3]["dataSize"].asInteger(), 10);
  EXPECT_TRUE(p[4]["dataSize"].isNull());
  EXPECT_EQ(p[4]["bounds"].dump(), same("[0,0,0,0]"));
}

TEST_F(VisualJsonTest, InvalidDescriptionsAreRefusedNamingTheMemberAtFault) {
  temp.write("note.txt", "not a picture");
  temp.write("short.pct", std::string(500, '\0'));
  temp.write("blob.bin", "12345");
  struct Case {
    const char* json;
    const char* error;
  } cases[] = {
      {R"([1, 2])", "visual: expected an object"},
      {R"({"header": {"version": 7, "colour": 1}})", "header: unknown member \"colour\""},
      {R"({"header": {"currentPatch": 128}})", "header.currentPatch: expected an integer from 0 to 127"},
      {R"({"header": {"screenWidth": 2147483648}})", "header.screenWidth: expected an integer from -2147483648 to 2147483647"},
      {R"({"header": {"reserved2": [1, 2]}})", "header.reserved2: expected an array of 3 integers"},
      {R"({"patches": [{"name": "x"}]})", "patches[0].number: expected a Patch number from 0 to 127"},
      {R"({"patches": [{"number": 1}, {"number": 1}]})", "patches[1].number: Patch 1 twice"},
      {R"({"patches": [{"number": 1, "name": "a name far longer than thirty-nine characters"}]})",
       "patches[0].name: longer than 39 characters"},
      {R"({"patches": [{"number": 1, "keys": [{"key": 3}, {"key": 3}]}]})", "patches[0].keys[1].key: key 3 twice"},
      {R"({"patches": [{"number": 1, "keys": [{"key": 3, "effectSettings": "00ff"}]}]})",
       "patches[0].keys[0].effectSettings: expected 128 hexadecimal digits"},
      {R"({"patches": [{"number": 1, "keys": [{"key": 3, "media": {"kind": "sound", "index": 0}}]}]})",
       "patches[0].keys[0].media.kind: expected picture, movie, object or fourth"},
      {R"({"patches": [{"number": 1, "keys": [{"key": 3, "keyMedia": 2, "media": {"kind": "picture", "index": 0}}]}]})",
       "patches[0].keys[0].media: does not agree with keyMedia"},
      {R"({"patches": [{"number": 1, "keys": [{"key": 3, "placement": [1, 2, 3]}]}]})",
       "patches[0].keys[0].placement: expected [top, left, bottom, right]"},
      {R"({"pictures": [{"file": "note.txt"}]})", "pictures[0].format: needed for a file that is not .bmp, .pct or .pict"},
      {R"({"pictures": [{"file": "note.txt", "format": 0}]})", "pictures[0].file: 'note.txt' is not a Windows bitmap"},
      {R"({"pictures": [{"file": "short.pct"}]})", "pictures[0].file: 'short.pct' is not a QuickDraw picture file"},
      {R"({"pictures": [{"file": "missing.bmp"}]})", "cannot read"},
      {R"({"pictures": [{"file": "note.txt", "format": "JPG"}]})", "pictures[0].format: expected four characters or a number"},
      {R"({"pictures": [{"file": "note.txt", "format": "JPEG"}]})", "pictures[0].bounds: needed for a picture that is not a bitmap or QuickDraw file"},
      {R"({"pictures": [{"dataSize": 12}]})", "pictures[0].dataSize: data of this size needs a \"file\""},
      {R"({"colorTable": {"entries": [[1, 2, 3]]}})", "colorTable.entries[0]: expected [value, red, green, blue]"},
      {R"({"colorTable": "standard"})", "colorTable: expected an object"},
      {R"({"blobs": [{"id": 0}]})", "blobs[0].id: expected an integer from 1 to 4294967295"},
      {R"({"blobs": [{"file": "blob.bin", "size": 4}]})", "blobs[0].size: does not match the 5 bytes of the file"},
      {R"({"transparency": {"size": 65536}})", "transparency.size: data of this size needs a \"file\""},
      {R"({"tracks": [{"events": [[5, 144, 1, 1], [4, 144, 1, 1]]}]})", "tracks[0].events[1]: earlier than the event before"},
      {R"({"tracks": [{"capacity": 1, "events": [[5, 144, 1, 1], [6, 144, 1, 1]]}]})", "tracks[0].capacity: less than the events"},
      {R"({"tracks": [{"eventCount": 3, "events": []}]})", "tracks[0].eventCount: does not match the events"},
      {R"({"tracks": [{"events": [[5, 144, 70000, 1]]}]})", "tracks[0].events[0]: expected an integer from 0 to 65535"},
      {R"({"tracks": [{"cursor": 1}]})", "tracks[0].cursor: expected an integer from 0 to 0"},
      {R"({"tracks": [{"settings": {"label": "x", "mode": 1}}]})", "tracks[0].settings: unknown member \"mode\""},
      {R"({"placements": [{"rect": [0, 0, 0, 40000]}]})", "placements[0].rect: expected an integer from -32768 to 32767"},
  };
  for (const Case& c : cases) {
    std::string error = complaint(c.json);
    EXPECT_NE(error.find(c.error), std::string::npos) << c.json << "\n  gave: " << error;
  }
  EXPECT_EQ(synthList().count(), 0);
}

TEST_F(VisualJsonTest, TextOutsideWindows1252BecomesAQuestionMark) {
  std::string error;
  std::optional<Json> visual =
      Json::parse(R"({"patches": [{"number": 0, "name": "caf\u00e9 \u2603"}], "pictures": [{"name": "\u20ac"}]})");
  ASSERT_EQ(VisualWrite::Written, writeVisual(*visual, temp.path(), temp / "text.qrx", &error)) << error;
  int32_t synth = openSynth(temp / "text.qrx", true);
  EXPECT_EQ(nameOf(synthHeader(synth)->patchName[0]), "caf\xE9 ?");
  EXPECT_EQ(nameOf(pictureEntry(synth, 0)->name), "\x80");
}

TEST_F(VisualJsonTest, TheChecksFindWhatWouldNotPlay) {
  std::string path = writeRichWithPictures(temp / "checked.qrx");
  int32_t synth = openSynth(path, true);
  EXPECT_EQ(checkSynth(synth),
            (std::vector<std::string>{"Patch 3 key 63 names 3D object -1, which does not exist",
                                      "picture 2 has no data"}));
  patchRecord(synth, 5)->keyMedia[7] = encodeKeyMedia(MediaKind::Movie, 2);
  EXPECT_EQ(checkSynth(synth)[1], "Patch 5 key 7 names movie 2, which does not exist");
  closeSynth(synth, false);

  // A data chunk cut short by the end of the file.
  std::string bytes = readFile(path);
  temp.write("cut.qrx", bytes.substr(0, bytes.size() - 3));
  synth = openSynth(temp / "cut.qrx", true);
  ASSERT_GE(synth, 0);
  EXPECT_EQ(checkSynth(synth)[0], "chunk 19 (PICT 1) runs past the end of the file");
}

}  // namespace
}  // namespace quorix::document
