// The engine's alerts: modal boxes titled "Quorix" with an OK button.
//
// Alerts are suppressed while the engine holds the exclusive full-screen display, where a box
// could not be seen. They reach the user through the platform's alert sink.
#pragma once

#include <cstdint>
#include <string>

namespace quorix::ui {

inline constexpr const char* kAlertTitle = "Quorix";

// Shows `text`.
void alert(const std::string& text);
// Shows string resource `number`, or "Message <number>" when the library has no such string.
void alertMessage(int number);
// Shows "Error <code> : <message text>".
void alertError(int32_t code, int number);
// Shows `format` with its one integer conversion (%d, %ld, %i, %u ...) replaced by `value`.
void alertFormatted(const char* format, int64_t value);

// The texts the functions above show.
std::string messageText(int number);
std::string errorText(int32_t code, int number);
std::string formatWithValue(const char* format, int64_t value);

// While set, alerts are dropped (the engine is on the exclusive full-screen display).
void setAlertsSuppressed(bool suppressed);
bool alertsSuppressed();

}  // namespace quorix::ui
