// The beat tracker's cost: one block, a whole track, and against decoding the same audio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/audio_file.h"
#include "plugins/pulsefinder/beat_tracker.h"
#include "tests/support/audio_encoder.h"
#include "tests/support/synthetic_music.h"

namespace {

using quorix::pulsefinder::BeatTracker;

constexpr uint32_t kBlock = 1024;
constexpr double kBlockSeconds = kBlock / 44100.0;  // the real-time budget of one block

// 60 s of drums, bass and noise at 128 bpm, as 8-bit blocks the way the engine hands them.
struct Track {
  std::vector<int16_t> samples;
  std::vector<std::vector<int8_t>> blocks;
  std::string mp3;  // the same audio as an MP3 file

  Track() {
    quorix::testing::MusicPattern pattern;
    pattern.bpm = 128;
    pattern.seconds = 60;
    pattern.bass = true;
    pattern.noise = 0.05;
    const quorix::testing::SyntheticTrack music = quorix::testing::synthesizeMusic(pattern);
    samples = music.samples;
    for (size_t b = 0; b < music.blocks(kBlock); ++b) {
      blocks.emplace_back(2 * kBlock);
      music.engineBlock(b, kBlock, blocks.back().data());
    }
    mp3 = "/tmp/quorix-beat-bench-" + std::to_string(getpid()) + ".mp3";
    quorix::testing::encodeAudioFile(mp3, quorix::testing::audioFormatCases()[2], samples, 44100, 2);
  }
  ~Track() { std::remove(mp3.c_str()); }

  static uint32_t stamp(size_t block) { return static_cast<uint32_t>(block * kBlock * 1000 / 44100); }
  double seconds() const { return blocks.size() * kBlockSeconds; }
};

const Track& track() {
  static const Track instance;
  return instance;
}

// Every block through a fresh tracker.
void trackAll(const Track& music) {
  BeatTracker tracker;
  tracker.open(44100, kBlock);
  uint32_t beats = 0;
  for (size_t b = 0; b < music.blocks.size(); ++b) {
    beats += tracker.process(music.blocks[b].data(), Track::stamp(b)) & 1;
  }
  benchmark::DoNotOptimize(beats);
}

// The whole file decoded to 44100 Hz stereo.
void decodeAll(const Track& music) {
  std::string error;
  auto audio = quorix::platform::openAudioFile(music.mp3, error);
  if (!audio) return;
  std::vector<int16_t> buffer(2 * kBlock);
  size_t frames = 0, got;
  while ((got = audio->read(buffer.data(), kBlock)) > 0) frames += got;
  benchmark::DoNotOptimize(frames);
}

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// One process call at 44100 Hz / 1024 on a tracker that has settled into the music;
// budget_percent is the share of a block's real-time budget (23.2 ms) that one call takes.
void BM_ProcessOneBlock(benchmark::State& state) {
  const Track& music = track();
  BeatTracker tracker;
  tracker.open(44100, kBlock);
  size_t b = 0;
  for (; b < 500; ++b) tracker.process(music.blocks[b].data(), Track::stamp(b));
  const Clock::time_point start = Clock::now();
  for (auto _ : state) {
    if (b == music.blocks.size()) {
      tracker.open(44100, kBlock);
      b = 0;
    }
    benchmark::DoNotOptimize(tracker.process(music.blocks[b].data(), Track::stamp(b)));
    ++b;
  }
  state.counters["budget_percent"] = 100 * secondsSince(start) / state.iterations() / kBlockSeconds;
}
BENCHMARK(BM_ProcessOneBlock);

// Seconds of music tracked per second of work: the real-time factor.
void BM_TrackSixtySeconds(benchmark::State& state) {
  const Track& music = track();
  const Clock::time_point start = Clock::now();
  for (auto _ : state) trackAll(music);
  state.counters["realtime_factor"] = state.iterations() * music.seconds() / secondsSince(start);
}
BENCHMARK(BM_TrackSixtySeconds)->Unit(benchmark::kMillisecond);

// The tracker against the decoder on the same 60 s of MP3, timed in turn in each iteration:
// tracker_per_decode is the tracker's time as a share of decoding.
void BM_TrackerVersusDecoding(benchmark::State& state) {
  const Track& music = track();
  double trackerSeconds = 0, decodeSeconds = 0;
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    decodeAll(music);
    Clock::time_point decoded = Clock::now();
    trackAll(music);
    Clock::time_point tracked = Clock::now();
    decodeSeconds += std::chrono::duration<double>(decoded - start).count();
    trackerSeconds += std::chrono::duration<double>(tracked - decoded).count();
  }
  state.counters["decode_ms"] = 1000 * decodeSeconds / state.iterations();
  state.counters["tracker_ms"] = 1000 * trackerSeconds / state.iterations();
  state.counters["tracker_per_decode"] = trackerSeconds / decodeSeconds;
}
BENCHMARK(BM_TrackerVersusDecoding)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
