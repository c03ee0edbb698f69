// Writes the seed corpus of document_fuzzer: Synth documents made by the tests' fixtures, sound
// and damaged, each under the fuzzer's input size limit.
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/document/document_fixture.h"

namespace {

using quorix::testing::be16;
using quorix::testing::be32;
using quorix::testing::chunkFileBytes;
using quorix::testing::minimalSynthChunks;
using quorix::testing::RawChunk;

bool save(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  std::string folder = argv[1];
  quorix::testing::writeRichSynth(folder + "/rich.qrx");

  std::vector<RawChunk> minimal = minimalSynthChunks();
  bool ok = save(folder + "/minimal.qrx", chunkFileBytes(minimal));

  std::vector<RawChunk> tracks = minimal;
  quorix::testing::setChunk(tracks, "RKRD", 0, be32(2) + be32(0));
  quorix::testing::setChunk(tracks, "RKTR", 0,
                            "\x01t" + std::string(30, '\0') + be32(2) + be32(4) + be32(0) + be32(1) +
                                be32(5) + be32(144) + be32(0x3C0040) + be32(9) + be32(128) +
                                be32(0x3C0000) + std::string(24, '\0'));
  quorix::testing::setChunk(tracks, "RKLT", 1, be32(1) + std::string(392, '\0'));
  quorix::testing::setChunk(tracks, "BLDT", 0, be32(1) + be32(1) + be32(0));
  quorix::testing::setChunk(tracks, "BLHD", 0, "data");
  quorix::testing::setChunk(tracks, "WPOS", 0, be32(1) + std::string(28, '\x05'));
  quorix::testing::setChunk(tracks, "PTCH", 0, std::string(11024, '\0'));
  ok = ok && save(folder + "/tracks.qrx", chunkFileBytes(tracks));

  std::vector<RawChunk> slack = minimal;
  slack.insert(slack.begin() + 1, RawChunk{"", 0, "", 40});
  slack[2].slack = 30;
  ok = ok && save(folder + "/slack.qrx", chunkFileBytes(slack));
  if (!ok) std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], folder.c_str());
  return ok ? 0 : 1;
}
