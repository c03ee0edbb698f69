// The diagnostic log "effect_timer.txt": timing and trace lines, written when the
// configuration's "EffectTimer" asks for it. Open from start-up to shutdown; writing to a
// closed log does nothing.
#pragma once

#include <cstdint>
#include <string>

namespace quorix::config {

inline constexpr const char* kLogFileName = "effect_timer.txt";

// Creates the log (mode "w") at `path`; false, and logging stays off, when it cannot be made.
bool openLog(const std::string& path = kLogFileName);
bool logIsOpen();
// Writes `text` and a newline, then flushes.
void logTrace(const std::string& text);
// Writes formatted text as it stands (the format supplies any newline).
void logPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void closeLog();

// Writes the two timing lines of `calls` calls that took `total` milliseconds (plug-in
// effects, picture decoding): "called <calls> in <total> millisec. Effect name : <code>" with
// the code's four bytes in memory order (so 'TAsh' reads "hsAT"), then the mean time of one
// call and the rate it allows; both 0 when no call was counted or the mean is not above 0.
void logTiming(uint32_t calls, uint32_t total, uint32_t code);

}  // namespace quorix::config
