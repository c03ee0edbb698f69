#include "ui/alerts.h"

#include <atomic>
#include <cstring>

#include "platform/alert_sink.h"
#include "ui/string_table.h"

namespace quorix::ui {
namespace {

std::atomic<bool> gSuppressed{false};

}  // namespace

std::string formatWithValue(const char* format, int64_t value) {
  std::string out;
  if (format == nullptr) return out;
  bool substituted = false;
  for (const char* p = format; *p != 0; ++p) {
    if (*p != '%') {
      out += *p;
      continue;
    }
    if (p[1] == '%') {
      out += '%';
      ++p;
      continue;
    }
    // An integer conversion: optional length modifiers, then d, i or u.
    const char* q = p + 1;
    while (*q == 'l' || *q == 'h') ++q;
    if (!substituted && (*q == 'd' || *q == 'i' || *q == 'u')) {
      out += std::to_string(*q == 'u' ? static_cast<int64_t>(static_cast<uint32_t>(value))
                                      : value);
      substituted = true;
      p = q;
      continue;
    }
    out += *p;
  }
  return out;
}

std::string messageText(int number) {
  const char* text = stringResource(number);
  return text != nullptr ? std::string(text) : formatWithValue("Message %d", number);
}

std::string errorText(int32_t code, int number) {
  return "Error " + std::to_string(code) + " : " + messageText(number);
}

void alert(const std::string& text) {
  if (alertsSuppressed()) return;
  platform::alertSink().alert(kAlertTitle, text);
}

void alertMessage(int number) { alert(messageText(number)); }

void alertError(int32_t code, int number) { alert(errorText(code, number)); }

void alertFormatted(const char* format, int64_t value) { alert(formatWithValue(format, value)); }

void setAlertsSuppressed(bool suppressed) { gSuppressed.store(suppressed); }
bool alertsSuppressed() { return gSuppressed.load(); }

}  // namespace quorix::ui
