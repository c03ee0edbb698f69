// Modal message boxes: where the engine's alerts and questions to the user go.
//
// The engine shows alerts as modal boxes with a title and an OK button, and asks a few
// questions (save before closing?). A sink decides how they reach the user: standard error by
// default, a message box in the windowed program, a recorder in tests.
#pragma once

#include <string>
#include <vector>

namespace quorix::platform {

enum class Buttons { Ok, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

class AlertSink {
 public:
  virtual ~AlertSink() = default;
  // Shows `text` in a modal box titled `title` and waits for the user.
  virtual void alert(const std::string& title, const std::string& text) = 0;
  // Asks a question with the given buttons; the answer the user gave.
  virtual Answer ask(const std::string& title, const std::string& text, Buttons buttons) = 0;
  // The standard Open dialog titled `title`, listing files that match `pattern` (described to
  // the user as `description`): the chosen file's path, or empty when the user cancelled. A sink
  // that cannot show a dialog cancels.
  virtual std::string chooseFile(const std::string& title, const std::string& description,
                                 const std::string& pattern);
};

// Writes each alert as one line "title: text" on standard error and answers questions with
// Cancel (nothing is decided for a user who cannot be asked).
class StderrAlertSink : public AlertSink {
 public:
  void alert(const std::string& title, const std::string& text) override;
  Answer ask(const std::string& title, const std::string& text, Buttons buttons) override;
};

// Keeps every alert and question; answers questions with `answer` and the Open dialog with
// `chosenFile`.
class RecordingAlertSink : public AlertSink {
 public:
  struct Entry {
    std::string title;
    std::string text;
    bool question = false;
  };
  void alert(const std::string& title, const std::string& text) override;
  Answer ask(const std::string& title, const std::string& text, Buttons buttons) override;
  std::string chooseFile(const std::string& title, const std::string& description,
                         const std::string& pattern) override;

  std::vector<Entry> entries;
  Answer answer = Answer::Cancel;
  std::string chosenFile;
};

// The current sink (the standard error one unless replaced).
AlertSink& alertSink();
// Replaces the sink; null restores the standard error one. The sink must outlive its use.
void setAlertSink(AlertSink* sink);

// Installs a sink for the lifetime of a scope.
class ScopedAlertSink {
 public:
  explicit ScopedAlertSink(AlertSink& sink) { setAlertSink(&sink); }
  ~ScopedAlertSink() { setAlertSink(nullptr); }
  ScopedAlertSink(const ScopedAlertSink&) = delete;
  ScopedAlertSink& operator=(const ScopedAlertSink&) = delete;
};

}  // namespace quorix::platform
