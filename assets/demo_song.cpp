// Writes the demo song: a drum loop with a bass line at a known tempo (120 bpm unless a second
// argument names another), 16-bit stereo at 44100 Hz, as a WAV file. `make demo` runs the
// beat tracker over it, so that the demo needs no music of the user's.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/synthetic_music.h"

namespace {

void put16(std::ofstream& out, uint16_t value) {
  char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
  out.write(bytes, 2);
}

void put32(std::ofstream& out, uint32_t value) {
  put16(out, static_cast<uint16_t>(value & 0xFFFF));
  put16(out, static_cast<uint16_t>(value >> 16));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: demo_song OUT.wav [BPM]\n");
    return 2;
  }
  quorix::testing::MusicPattern pattern;
  pattern.seconds = 30;
  pattern.bass = true;
  pattern.noise = 0.02;
  if (argc == 3) pattern.bpm = std::atof(argv[2]);
  if (pattern.bpm < 30 || pattern.bpm > 300) {
    std::fprintf(stderr, "demo_song: the tempo must lie between 30 and 300 bpm\n");
    return 2;
  }
  quorix::testing::SyntheticTrack track = quorix::testing::synthesizeMusic(pattern);

  std::string path = argv[1];
  std::string temporary = path + ".tmp";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  uint32_t dataBytes = static_cast<uint32_t>(track.samples.size() * 2);
  out.write("RIFF", 4);
  put32(out, 36 + dataBytes);
  out.write("WAVEfmt ", 8);
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, 2);  // channels
  put32(out, static_cast<uint32_t>(track.sampleRate));
  put32(out, static_cast<uint32_t>(track.sampleRate) * 4);
  put16(out, 4);   // bytes per frame
  put16(out, 16);  // bits per sample
  out.write("data", 4);
  put32(out, dataBytes);
  for (int16_t sample : track.samples) put16(out, static_cast<uint16_t>(sample));
  out.close();
  if (!out || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "demo_song: cannot write %s\n", path.c_str());
    std::remove(temporary.c_str());
    return 1;
  }
  return 0;
}
