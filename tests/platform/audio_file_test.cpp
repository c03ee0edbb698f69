#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/audio_file.h"
#include "tests/support/audio_encoder.h"
#include "tests/support/synthetic_music.h"
#include "tests/support/temp_folder.h"

namespace quorix::platform {
namespace {

using testing::AudioFormatCase;

struct Decoded {
  std::vector<int16_t> samples;  // interleaved stereo
  std::string error;

  size_t frames() const { return samples.size() / 2; }
  // Sign changes of one channel: twice the cycles of a pure tone.
  int crossings(int channel) const {
    int count = 0;
    for (size_t i = 1; i < frames(); ++i) {
      count += (samples[2 * (i - 1) + channel] < 0) != (samples[2 * i + channel] < 0) ? 1 : 0;
    }
    return count;
  }
  double rms(int channel) const {
    double sum = 0;
    for (size_t i = 0; i < frames(); ++i) sum += double(samples[2 * i + channel]) * samples[2 * i + channel];
    return std::sqrt(sum / std::max<size_t>(frames(), 1));
  }
};

// Decodes a whole file, reading `chunk` frames at a time.
Decoded decode(const std::string& path, size_t chunk = 4096) {
  Decoded result;
  std::unique_ptr<AudioStream> stream = openAudioFile(path, result.error);
  if (!stream) return result;
  std::vector<int16_t> buffer(2 * chunk);
  size_t got;
  while ((got = stream->read(buffer.data(), chunk)) > 0) {
    result.samples.insert(result.samples.end(), buffer.begin(), buffer.begin() + 2 * got);
  }
  EXPECT_EQ(stream->read(buffer.data(), chunk), 0u);
  result.error = stream->error();
  return result;
}

std::string encoded(const quorix::testing::TempFolder& temp, const AudioFormatCase& format,
                    const std::vector<int16_t>& samples, int rate, int channels,
                    const std::string& name = "tones") {
  std::string path = temp / (name + format.extension);
  std::string error;
  EXPECT_TRUE(quorix::testing::encodeAudioFile(path, format, samples, rate, channels, &error))
      << format.name << ": " << error;
  return path;
}

// Two seconds of 440 Hz at half scale on the left and 660 Hz at quarter scale on the right,
// through every format: 44100 Hz stereo, both tones at their pitch and level, on their side.
TEST(AudioFile, EveryFormatDecodesTo44100HzStereo) {
  quorix::testing::TempFolder temp;
  std::vector<int16_t> tones = quorix::testing::stereoTones(2.0, 440, 660, 44100, 2);
  for (const AudioFormatCase& format : quorix::testing::audioFormatCases()) {
    SCOPED_TRACE(format.name);
    Decoded decoded = decode(encoded(temp, format, tones, 44100, 2));
    ASSERT_EQ(decoded.error, "");
    // Lossy codecs add a little priming and padding.
    EXPECT_NEAR(double(decoded.frames()), 88200, 2200);
    EXPECT_NEAR(decoded.crossings(0), 2 * 440 * 2, 30);
    EXPECT_NEAR(decoded.crossings(1), 2 * 660 * 2, 30);
    EXPECT_NEAR(decoded.rms(0), 0.5 * 32767 / std::sqrt(2.0), 800);
    EXPECT_NEAR(decoded.rms(1), 0.25 * 32767 / std::sqrt(2.0), 600);
  }
}

TEST(AudioFile, OtherRatesAndMonoAreConverted) {
  quorix::testing::TempFolder temp;
  const auto& formats = quorix::testing::audioFormatCases();
  struct Case {
    size_t format;
    int rate, channels;
  } cases[] = {{0, 48000, 2}, {0, 22050, 1}, {1, 96000, 2}, {1, 8000, 1}, {2, 32000, 1}};
  for (const Case& c : cases) {
    const AudioFormatCase& format = formats[c.format];
    SCOPED_TRACE(::testing::Message() << format.name << " " << c.rate << " Hz x " << c.channels);
    std::vector<int16_t> tones = quorix::testing::stereoTones(1.0, 440, 660, c.rate, c.channels);
    Decoded decoded = decode(encoded(temp, format, tones, c.rate, c.channels));
    ASSERT_EQ(decoded.error, "");
    EXPECT_NEAR(double(decoded.frames()), 44100, 1200);
    EXPECT_NEAR(decoded.crossings(0), 2 * 440, 12);
    if (c.channels == 1) {
      // Mono plays on both sides at its own level.
      EXPECT_NEAR(decoded.crossings(1), 2 * 440, 12);
      EXPECT_NEAR(decoded.rms(1), decoded.rms(0), 1);
      EXPECT_NEAR(decoded.rms(0), 0.5 * 32767 / std::sqrt(2.0), 800);
    } else {
      EXPECT_NEAR(decoded.crossings(1), 2 * 660, 12);
    }
  }
}

TEST(AudioFile, ReadsInAnyChunkSizeGiveTheSameSamples) {
  quorix::testing::TempFolder temp;
  quorix::testing::MusicPattern pattern;
  pattern.seconds = 3;
  std::vector<int16_t> music = quorix::testing::synthesizeMusic(pattern).samples;
  std::string path = encoded(temp, quorix::testing::audioFormatCases()[2], music, 44100, 2);
  Decoded whole = decode(path, 1 << 20);
  ASSERT_GT(whole.frames(), 100000u);
  for (size_t chunk : {1, 577, 1024}) {
    EXPECT_EQ(decode(path, chunk).samples, whole.samples) << chunk;
  }
}

TEST(AudioFile, MissingNonAudioAndDamagedFilesAreNamedErrors) {
  quorix::testing::TempFolder temp;
  std::vector<int16_t> tones = quorix::testing::stereoTones(2.0, 440, 660, 44100, 2);
  const auto& formats = quorix::testing::audioFormatCases();
  std::string flac = quorix::testing::readFile(encoded(temp, formats[1], tones, 44100, 2));
  std::string ogg = quorix::testing::readFile(encoded(temp, formats[3], tones, 44100, 2));
  // A 2 x 2 bitmap: FFmpeg knows the format, but it holds a picture.
  const unsigned char bitmap[] = {
      'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0,
      0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 19, 11, 0, 0, 19, 11, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0};
  std::string garbage(60000, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 2654435761u) >> 13);

  struct Case {
    std::string path;
    std::string message;  // after the quoted path, or the whole start for "cannot open"
  } cases[] = {
      {temp / "missing.mp3", "cannot open '" + (temp / "missing.mp3") + "': no such file"},
      {temp.makeFolder("songs.wav"), "is a folder, not an audio file"},
      {temp.write("empty.wav", ""), "is empty, not an audio file"},
      {temp.write("notes.mp3", "These are my notes, not a song.\n"),
       "is not an audio file (its format is not recognised)"},
      {temp.write("picture.wav", std::string(reinterpret_cast<const char*>(bitmap), sizeof bitmap)),
       "is not an audio file (it has no audio stream)"},
      // The stream header survives, every frame after it is noise.
      {temp.write("noise.flac", flac.substr(0, 300) + garbage),
       "is damaged: none of its audio can be decoded"},
      {temp.write("cut.ogg", ogg.substr(0, 200)), "is damaged: its Ogg data cannot be read"},
  };
  for (const Case& c : cases) {
    Decoded decoded = decode(c.path);
    EXPECT_EQ(decoded.frames(), 0u) << c.path;
    const std::string quoted = "'" + c.path + "' ";
    const std::string expected = c.message.rfind("cannot", 0) == 0 ? c.message : quoted + c.message;
    EXPECT_EQ(decoded.error.substr(0, expected.size()), expected);
    EXPECT_EQ(decoded.error.find('\n'), std::string::npos);
  }
}

TEST(AudioFile, ATruncatedFileGivesWhatItHolds) {
  quorix::testing::TempFolder temp;
  std::vector<int16_t> tones = quorix::testing::stereoTones(2.0, 440, 660, 44100, 2);
  std::string wav = quorix::testing::readFile(
      encoded(temp, quorix::testing::audioFormatCases()[0], tones, 44100, 2));
  const size_t data = wav.find("data") + 8;
  ASSERT_GT(data, 8u);
  Decoded decoded = decode(temp.write("half.wav", wav.substr(0, data + 4 * 22050)));
  EXPECT_EQ(decoded.error, "");
  EXPECT_EQ(decoded.frames(), 22050u);
}

TEST(MemoryAudioStream, ServesItsSamplesThenFailsWhereTold) {
  std::vector<int16_t> samples(2 * 10);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t(i);
  std::vector<int16_t> buffer(2 * 8, -1);

  MemoryAudioStream whole(samples);
  EXPECT_EQ(whole.read(buffer.data(), 8), 8u);
  EXPECT_EQ(buffer[15], 15);
  EXPECT_EQ(whole.read(buffer.data(), 8), 2u);
  EXPECT_EQ(buffer[0], 16);
  EXPECT_EQ(whole.read(buffer.data(), 8), 0u);
  EXPECT_EQ(whole.error(), "");

  MemoryAudioStream failing(samples, 5, "'x.mp3' is damaged");
  EXPECT_EQ(failing.read(buffer.data(), 4), 4u);
  EXPECT_EQ(failing.error(), "");
  EXPECT_EQ(failing.read(buffer.data(), 4), 1u);
  EXPECT_EQ(failing.error(), "'x.mp3' is damaged");
  EXPECT_EQ(failing.read(buffer.data(), 4), 0u);

  MemoryAudioStream empty({});
  EXPECT_EQ(empty.read(buffer.data(), 4), 0u);
  EXPECT_EQ(empty.error(), "");
}

}  // namespace
}  // namespace quorix::platform
