#include "config/diagnostic_log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace quorix::config {
namespace {

std::mutex gLock;
FILE* gLog = nullptr;

}  // namespace

bool openLog(const std::string& path) {
  std::lock_guard<std::mutex> guard(gLock);
  if (gLog != nullptr) std::fclose(gLog);
  gLog = std::fopen(path.c_str(), "w");
  return gLog != nullptr;
}

bool logIsOpen() {
  std::lock_guard<std::mutex> guard(gLock);
  return gLog != nullptr;
}

void logTrace(const std::string& text) {
  std::lock_guard<std::mutex> guard(gLock);
  if (gLog == nullptr) return;
  std::fprintf(gLog, "%s\n", text.c_str());
  std::fflush(gLog);
}

void logPrintf(const char* format, ...) {
  std::lock_guard<std::mutex> guard(gLock);
  if (gLog == nullptr) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(gLog, format, args);
  va_end(args);
}

void closeLog() {
  std::lock_guard<std::mutex> guard(gLock);
  if (gLog != nullptr) {
    std::fclose(gLog);
    gLog = nullptr;
  }
}

}  // namespace quorix::config
