// Writes real audio files for the tests: PCM made in the test, encoded with libavcodec into
// the formats the program must read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorix::testing {

struct AudioFormatCase {
  const char* name;       // for test output: "wav", "flac", ...
  const char* extension;  // ".wav"
  const char* muxer;      // FFmpeg's container name
  const char* encoder;    // FFmpeg's encoder name
};

// WAV, FLAC, MP3, Ogg Vorbis, Opus (in Ogg), AAC (in MP4).
const std::vector<AudioFormatCase>& audioFormatCases();

// Encodes interleaved signed 16-bit samples of `channels` channels at `sampleRate` into
// `path`. The encoder's own rate is used when it cannot take `sampleRate` (Opus: 48000).
// False with a reason in `error` when anything fails.
bool encodeAudioFile(const std::string& path, const AudioFormatCase& format,
                     const std::vector<int16_t>& samples, int sampleRate, int channels,
                     std::string* error = nullptr);

}  // namespace quorix::testing
