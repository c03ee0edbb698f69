#include "app/beat_run.h"

#include <algorithm>

namespace quorix::app {

bool trackBeats(platform::AudioStream& audio, const BeatTrackerTable& tracker,
                BeatReport& report, std::string& error) {
  std::vector<int16_t> frames(kBeatBlockSize * platform::kAudioChannels);
  std::vector<int8_t> block(kBeatBlockSize * 2);
  report = BeatReport{};
  for (;;) {
    const size_t got = audio.read(frames.data(), kBeatBlockSize);
    if (got == 0) break;
    std::fill(frames.begin() + static_cast<long>(got * platform::kAudioChannels), frames.end(), 0);
    for (uint32_t j = 0; j < kBeatBlockSize; ++j) {
      block[j] = static_cast<int8_t>(frames[2 * j] >> 8);
      block[kBeatBlockSize + j] = static_cast<int8_t>(frames[2 * j + 1] >> 8);
    }
    const uint32_t stamp = static_cast<uint32_t>(uint64_t{report.blocks} * kBeatBlockSize * 1000 /
                                                 platform::kAudioSampleRate);
    const uint32_t word = tracker.process(block.data(), stamp);
    if (word != 0) report.beats.push_back({stamp, word >> 16});
    ++report.blocks;
    if (got < kBeatBlockSize) break;
  }
  error = audio.error();
  return error.empty();
}

double medianTempo(const BeatReport& report) {
  std::vector<double> tempos;
  for (const BeatReport::Beat& beat : report.beats) {
    if (beat.period > 0) tempos.push_back(60000.0 / beat.period);
  }
  if (tempos.empty()) return 0;
  std::sort(tempos.begin(), tempos.end());
  const size_t middle = tempos.size() / 2;
  return tempos.size() % 2 == 1 ? tempos[middle] : (tempos[middle - 1] + tempos[middle]) / 2;
}

}  // namespace quorix::app
