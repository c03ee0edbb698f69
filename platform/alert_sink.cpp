#include "platform/alert_sink.h"

#include <atomic>
#include <cstdio>

namespace quorix::platform {
namespace {

std::atomic<AlertSink*> gSink{nullptr};

}  // namespace

std::string AlertSink::chooseFile(const std::string&, const std::string&, const std::string&) {
  return {};
}

void StderrAlertSink::alert(const std::string& title, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
}

Answer StderrAlertSink::ask(const std::string& title, const std::string& text, Buttons) {
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  return Answer::Cancel;
}

void RecordingAlertSink::alert(const std::string& title, const std::string& text) {
  entries.push_back({title, text, false});
}

Answer RecordingAlertSink::ask(const std::string& title, const std::string& text, Buttons) {
  entries.push_back({title, text, true});
  return answer;
}

std::string RecordingAlertSink::chooseFile(const std::string& title, const std::string& description,
                                           const std::string& pattern) {
  entries.push_back({title, description + " (" + pattern + ")", true});
  return chosenFile;
}

AlertSink& alertSink() {
  static StderrAlertSink standardError;
  AlertSink* sink = gSink.load(std::memory_order_acquire);
  return sink != nullptr ? *sink : standardError;
}

void setAlertSink(AlertSink* sink) { gSink.store(sink, std::memory_order_release); }

}  // namespace quorix::platform
