// Running the beat tracker over a decoded audio stream, block by block, as the engine feeds it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio_file.h"
#include "plugin_sdk/quorix_plugin.h"

namespace quorix::app {

// Samples per channel in one block: what the engine hands the tracker at 44100 Hz.
inline constexpr uint32_t kBeatBlockSize = 1024;

struct BeatReport {
  struct Beat {
    uint32_t milliseconds;  // the time stamp of the block that reported it
    uint32_t period;        // ms
  };
  std::vector<Beat> beats;
  uint32_t blocks = 0;  // blocks fed to the tracker
};

// Feeds `audio` to `tracker` (opened at 44100 Hz, 1024 samples): consecutive blocks of 1024
// frames, each turned into 1024 8-bit samples of the first channel followed by 1024 of the
// second (16-bit samples shifted right by 8), stamped with the block's start in ms. A last
// partial block is padded with silence. False with the stream's error when it fails.
bool trackBeats(platform::AudioStream& audio, const BeatTrackerTable& tracker,
                BeatReport& report, std::string& error);

// The median of the beats' tempos (60000 / period), bpm; 0 without beats.
double medianTempo(const BeatReport& report);

}  // namespace quorix::app
