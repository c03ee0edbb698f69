// Feeds arbitrary bytes to the document reader as a ".qrx" file: read as a Synth, described,
// checked and closed; then opened for writing and closed with commit, so that compaction runs
// on whatever directory the bytes hold.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/chunk_file.h"
#include "document/synth_check.h"
#include "document/synth_document.h"
#include "document/visual_json.h"
#include "platform/alert_sink.h"

namespace {

std::string gPath;
quorix::platform::RecordingAlertSink gAlerts;

bool writeBytes(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* folder = std::getenv("TMPDIR");
  std::string pattern = std::string(folder != nullptr ? folder : "/tmp") + "/quorix-fuzz-XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd >= 0) close(fd);
  gPath = pattern;
  std::atexit([] { std::remove(gPath.c_str()); });
  quorix::platform::setAlertSink(&gAlerts);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorix::document;
  if (!writeBytes(gPath, data, size)) return 0;
  int32_t synth = openSynth(gPath, true);
  if (synth >= 0) {
    describeSynth(synth, "", nullptr);
    checkSynth(synth);
    closeSynth(synth, false);
  }
  ChunkFile file;
  if (file.open(gPath, false, true) == 0) {
    file.verify();
    file.close(true);
  }
  gAlerts.entries.clear();
  return 0;
}
