// Audio files decoded to the engine's audio format: 44100 Hz, two channels, signed 16-bit.
//
// openAudioFile reads any file FFmpeg knows (WAV, FLAC, MP3, Ogg Vorbis, Opus, AAC, ...),
// resampled and mixed to that format; MemoryAudioStream serves samples held in memory (tests,
// generated audio).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorix::platform {

inline constexpr int kAudioSampleRate = 44100;
inline constexpr int kAudioChannels = 2;

class AudioStream {
 public:
  virtual ~AudioStream() = default;
  // Writes up to `frames` frames (2 x frames samples, left then right in each frame) and
  // returns how many it wrote. Fewer than asked only at the end of the stream or when it
  // fails; after that every call returns 0, and error() says whether it failed.
  virtual size_t read(int16_t* samples, size_t frames) = 0;
  // Why the stream stopped early ("'song.mp3' is damaged: ..."); empty at a normal end.
  virtual const std::string& error() const = 0;
};

// Opens an audio file for decoding. Null, with a one-line `error` naming the file, when it
// is missing, not an audio file, or cannot be decoded at all. Only local files are opened.
std::unique_ptr<AudioStream> openAudioFile(const std::string& path, std::string& error);

// Samples held in memory (interleaved stereo frames). With `failAfterFrames` the stream
// fails with `failure` once that many frames have been read, as a damaged file would.
class MemoryAudioStream : public AudioStream {
 public:
  explicit MemoryAudioStream(std::vector<int16_t> samples, size_t failAfterFrames = SIZE_MAX,
                             std::string failure = "the audio is damaged");
  size_t read(int16_t* samples, size_t frames) override;
  const std::string& error() const override { return error_; }

 private:
  std::vector<int16_t> samples_;
  size_t position_ = 0;  // frames read
  size_t failAfter_;
  std::string failure_;
  std::string error_;
};

}  // namespace quorix::platform
