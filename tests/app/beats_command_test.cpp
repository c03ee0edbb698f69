#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

#include "common/json.h"
#include "tests/support/audio_encoder.h"
#include "tests/support/run_program.h"
#include "tests/support/synthetic_music.h"

namespace quorix {
namespace {

using testing::ProgramResult;

class QuorixBeats : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // 16 s of drums at 120.2 bpm: a beat every 43 resonator samples of the tracker.
    testing::MusicPattern pattern;
    pattern.bpm = 44100.0 / 512 * 60 / 43;
    pattern.seconds = 16;
    music = new testing::SyntheticTrack(testing::synthesizeMusic(pattern));
  }
  static void TearDownTestSuite() {
    delete music;
    music = nullptr;
  }

  ProgramResult beats(std::vector<std::string> args, const std::string& base = QUORIX_STAGE_DIR) {
    args.insert(args.begin(), {"--base-folder", base, "beats"});
    return testing::runProgram(QUORIX_PROGRAM, args, {"XDG_CONFIG_HOME=" + (temp / "xdg")},
                               temp.path());
  }

  static void expectOneLineError(const ProgramResult& result, int code, const std::string& text) {
    EXPECT_EQ(result.exitCode, code) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("quorix: ", 0), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find(text), std::string::npos) << result.err;
  }

  static testing::SyntheticTrack* music;
  testing::TempFolder temp;
};

testing::SyntheticTrack* QuorixBeats::music = nullptr;

TEST_F(QuorixBeats, FindsTheTempoInEveryFormat) {
  for (const testing::AudioFormatCase& format : testing::audioFormatCases()) {
    SCOPED_TRACE(format.name);
    const std::string file = temp / (std::string("drums") + format.extension);
    std::string error;
    ASSERT_TRUE(testing::encodeAudioFile(file, format, music->samples, 44100, 2, &error)) << error;

    ProgramResult text = beats({file});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.err, "");
    std::istringstream lines(text.out);
    std::string line;
    std::vector<double> times;
    double tempo = 0;
    while (std::getline(lines, line)) {
      double time = 0;
      unsigned period = 0;
      char end = 0;
      if (std::sscanf(line.c_str(), "%lf s  %u ms%c", &time, &period, &end) == 2) {
        // Three decimals.
        EXPECT_EQ(line.find('.') + 4, line.find(' ')) << line;
        times.push_back(time);
      } else {
        ASSERT_EQ(line.rfind("tempo ", 0), 0u) << line;
        ASSERT_TRUE(lines.peek() == EOF) << "the tempo comes last";
        tempo = std::stod(line.substr(6));
      }
    }
    // The comb of 43 samples: a period of 499 ms, 120.2 bpm, within half a comb step (1.4 bpm).
    EXPECT_NEAR(tempo, 120.2, 1.4);
    EXPECT_GE(times.size(), 25u);

    ProgramResult json = beats({"--json", file});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    std::optional<Json> parsed = Json::parse(json.out);
    ASSERT_TRUE(parsed.has_value()) << json.out;
    const Json& beatList = (*parsed)["beats"];
    ASSERT_EQ(beatList.size(), times.size());
    for (size_t i = 0; i < times.size(); ++i) {
      EXPECT_DOUBLE_EQ(beatList[i]["time"].asReal(), times[i]);
      EXPECT_GT(beatList[i]["period"].asInteger(), 0);
    }
    EXPECT_NEAR((*parsed)["tempo"].asReal(), tempo, 0.051);
    // 16 s is 689.1 blocks of 1024; lossy codecs add up to a few blocks of padding.
    EXPECT_GE((*parsed)["blocks"].asInteger(), 690);
    EXPECT_LE((*parsed)["blocks"].asInteger(), 693);
  }
}

TEST_F(QuorixBeats, SilenceHasBlocksAndTheTrackersIdleBeat) {
  const std::string file = temp / "silence.wav";
  ASSERT_TRUE(testing::encodeAudioFile(file, testing::audioFormatCases()[0],
                                       std::vector<int16_t>(2 * 44100 * 3), 44100, 2));
  ProgramResult json = beats({file, "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  std::optional<Json> parsed = Json::parse(json.out);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ((*parsed)["blocks"].asInteger(), 130);
  // Without music the tracker keeps the beat of its starting tempo, 568 ms.
  for (const Json& beat : (*parsed)["beats"].items()) EXPECT_EQ(beat["period"].asInteger(), 568);
}

TEST_F(QuorixBeats, FilesItCannotUseAreOneLineErrors) {
  const std::string notes = temp.write("notes.mp3", "a shopping list\n");
  std::string flac;
  {
    const std::string good = temp / "good.flac";
    ASSERT_TRUE(testing::encodeAudioFile(good, testing::audioFormatCases()[1], music->samples,
                                         44100, 2));
    flac = testing::readFile(good);
  }
  const std::string damaged = temp.write("damaged.flac", flac.substr(0, 300) + std::string(50000, '\x5a'));
  expectOneLineError(beats({temp / "missing.ogg"}), 1, "no such file");
  expectOneLineError(beats({notes}), 1, "is not an audio file");
  expectOneLineError(beats({damaged}), 1, "is damaged");
  // A base folder without the tracker plug-in.
  expectOneLineError(beats({temp / "good.flac"}, temp.makeFolder("empty-base")), 1,
                     "no beat tracker");
}

TEST_F(QuorixBeats, BadCommandLines) {
  expectOneLineError(beats({}), 2, "needs an audio file");
  expectOneLineError(beats({"a.mp3", "b.mp3"}), 2, "one audio file");
  expectOneLineError(beats({"--tempo", "a.mp3"}), 2, "unknown option '--tempo'");
  ProgramResult help = beats({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Usage: quorix beats FILE [--json]"), std::string::npos);
}

}  // namespace
}  // namespace quorix
