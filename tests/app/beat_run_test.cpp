#include <gtest/gtest.h>

#include <vector>

#include "app/beat_run.h"

namespace quorix::app {
namespace {

// A tracker that records every block it is handed and reports beats where told.
struct Recorder {
  std::vector<std::vector<int8_t>> blocks;
  std::vector<uint32_t> stamps;
  std::vector<uint32_t> words;  // answer to call i (0 past the end)
};
Recorder* gRecorder = nullptr;

uint32_t recordBlock(const int8_t* samples, uint32_t milliseconds) {
  gRecorder->blocks.emplace_back(samples, samples + 2 * kBeatBlockSize);
  gRecorder->stamps.push_back(milliseconds);
  const size_t call = gRecorder->stamps.size() - 1;
  return call < gRecorder->words.size() ? gRecorder->words[call] : 0;
}

class TrackBeats : public ::testing::Test {
 protected:
  void SetUp() override { gRecorder = &recorder; }
  void TearDown() override { gRecorder = nullptr; }

  // Left sample i = 16 i - 20000, right = 20000 - 16 i: both signs, distinct everywhere.
  static std::vector<int16_t> ramp(size_t frames) {
    std::vector<int16_t> samples(2 * frames);
    for (size_t i = 0; i < frames; ++i) {
      samples[2 * i] = static_cast<int16_t>(16 * int(i) - 20000);
      samples[2 * i + 1] = static_cast<int16_t>(20000 - 16 * int(i));
    }
    return samples;
  }

  Recorder recorder;
  BeatTrackerTable table{{QX_SERVICE_TABLE_VERSION, {}}, nullptr, nullptr, recordBlock};
};

TEST_F(TrackBeats, FeedsContiguousEightBitBlocksStampedWithTheirStart) {
  const std::vector<int16_t> samples = ramp(2500);
  platform::MemoryAudioStream audio(samples);
  recorder.words = {0, (510u << 16) | 1, (600u << 16) | 1};
  BeatReport report;
  std::string error;
  ASSERT_TRUE(trackBeats(audio, table, report, error));
  EXPECT_EQ(error, "");
  EXPECT_EQ(report.blocks, 3u);
  EXPECT_EQ(recorder.stamps, (std::vector<uint32_t>{0, 23, 46}));
  ASSERT_EQ(report.beats.size(), 2u);
  EXPECT_EQ(report.beats[0].milliseconds, 23u);
  EXPECT_EQ(report.beats[0].period, 510u);
  EXPECT_EQ(report.beats[1].milliseconds, 46u);
  EXPECT_EQ(report.beats[1].period, 600u);

  for (size_t b = 0; b < 3; ++b) {
    for (size_t j = 0; j < kBeatBlockSize; ++j) {
      const size_t frame = b * kBeatBlockSize + j;
      const bool real = frame < 2500;
      // The first channel's 1024 samples, then the second's; silence after the end.
      ASSERT_EQ(recorder.blocks[b][j], real ? samples[2 * frame] >> 8 : 0) << b << " " << j;
      ASSERT_EQ(recorder.blocks[b][kBeatBlockSize + j], real ? samples[2 * frame + 1] >> 8 : 0);
    }
  }
}

TEST_F(TrackBeats, WholeBlocksNeedNoPadding) {
  platform::MemoryAudioStream audio(ramp(2 * kBeatBlockSize));
  BeatReport report;
  std::string error;
  ASSERT_TRUE(trackBeats(audio, table, report, error));
  EXPECT_EQ(report.blocks, 2u);
  EXPECT_TRUE(report.beats.empty());
}

TEST_F(TrackBeats, AStreamThatFailsStopsTheRun) {
  platform::MemoryAudioStream audio(ramp(5000), 1500, "'song.mp3' is damaged: bad frame");
  BeatReport report;
  std::string error;
  EXPECT_FALSE(trackBeats(audio, table, report, error));
  EXPECT_EQ(error, "'song.mp3' is damaged: bad frame");
  EXPECT_EQ(report.blocks, 2u);
}

TEST(MedianTempo, OfTheReportedPeriods) {
  struct Case {
    std::vector<uint32_t> periods;
    double tempo;
  } cases[] = {
      {{}, 0}, {{500}, 120}, {{500, 600, 400}, 120}, {{500, 600}, 110}, {{0, 0}, 0}, {{0, 400}, 150},
  };
  for (const Case& c : cases) {
    BeatReport report;
    for (uint32_t period : c.periods) report.beats.push_back({0, period});
    EXPECT_DOUBLE_EQ(medianTempo(report), c.tempo) << ::testing::PrintToString(c.periods);
  }
}

}  // namespace
}  // namespace quorix::app
