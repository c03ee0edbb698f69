#include "config/diagnostic_log.h"

#include <cstdarg>
#include <cstring>
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

void logTiming(uint32_t calls, uint32_t total, uint32_t code) {
  if (!logIsOpen()) return;
  char name[4];
  std::memcpy(name, &code, sizeof name);  // the code as it lies in memory
  double mean = calls != 0 ? static_cast<double>(total) / calls : 0.0;
  double rate = mean > 0.0 ? 1000.0 / mean : 0.0;
  logPrintf("called %u in %u millisec. Effect name : %.4s\n", calls, total, name);
  logPrintf("Time for 1 call : %f millisec, frame rate : %f /sec\n", mean, rate);
}

}  // namespace quorix::config
