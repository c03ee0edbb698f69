// Shared set-up of the Synth tests: a temporary folder, a recording alert sink, and a Synth
// list that is emptied again after each test.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <set>
#include <string>
#include <vector>

#include "document/synth_document.h"
#include "document/synth_list.h"
#include "platform/alert_sink.h"
#include "tests/document/document_fixture.h"
#include "tests/support/temp_folder.h"

namespace quorix::document {

// Files of this process cannot grow past `bytes` for a scope: writes beyond fail as on a full
// disk (the signal the system sends for them is ignored meanwhile).
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes) {
    previousSignal_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~ScopedFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousSignal_);
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previousSignal_)(int) = nullptr;
};

// The code of an "Error <code> : ..." alert text, or 0.
inline int32_t alertCode(const std::string& text) {
  return text.rfind("Error ", 0) == 0 ? std::atoi(text.c_str() + 6) : 0;
}

class SynthTest : public ::testing::Test {
 protected:
  ~SynthTest() override {
    while (synthList().count() > 0) {
      synthSlot(0)->modified = 0;
      closeSynth(0, false);
    }
  }

  // The texts of the alerts and questions so far; forgets them.
  std::vector<std::string> takeAlerts() {
    std::vector<std::string> texts;
    for (const auto& entry : alerts.entries) texts.push_back(entry.text);
    alerts.entries.clear();
    return texts;
  }

  // Writes a chunk file of `chunks` and opens it as a Synth (non-interactive).
  int32_t openChunks(const std::vector<testing::RawChunk>& chunks,
                     const std::string& name = "built.qrx") {
    return openSynth(temp.write(name, testing::chunkFileBytes(chunks)), true);
  }

  testing::TempFolder temp;
  platform::RecordingAlertSink alerts;
  platform::ScopedAlertSink scopedAlerts{alerts};
};

inline std::string openFailure(int32_t code) {
  return "Error " + std::to_string(code) + " : Error while opening file. File not found or damaged.";
}

}  // namespace quorix::document
