// Alerts about one file, as the program's document commands show them: each on standard
// error as "quorix: FILE: text", kept for the command to count. Questions are answered with
// Cancel (the program never asks).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/alert_sink.h"

namespace quorix::app {

class FileAlerts : public platform::AlertSink {
 public:
  explicit FileAlerts(std::string file) : file_(std::move(file)), scoped_(*this) {}

  void alert(const std::string&, const std::string& text) override { report(text); }
  platform::Answer ask(const std::string&, const std::string& text, platform::Buttons) override {
    report(text);
    return platform::Answer::Cancel;
  }

  // Shows a problem found by the command itself.
  void report(const std::string& text) {
    std::fprintf(stderr, "quorix: %s: %s\n", file_.c_str(), text.c_str());
    texts.push_back(text);
  }

  std::vector<std::string> texts;

 private:
  std::string file_;
  platform::ScopedAlertSink scoped_;
};

}  // namespace quorix::app
