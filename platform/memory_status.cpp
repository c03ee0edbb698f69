#include "platform/memory_status.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace quorix::platform {
namespace {

class ProcMeminfo : public MemoryStatusSource {
 public:
  int64_t availableBytes() override {
    FILE* file = std::fopen("/proc/meminfo", "r");
    if (file == nullptr) return 0;
    char line[256];
    int64_t kilobytes = 0;
    while (std::fgets(line, sizeof line, file) != nullptr) {
      long long value = 0;
      if (std::strncmp(line, "MemAvailable:", 13) == 0 &&
          std::sscanf(line + 13, "%lld", &value) == 1) {
        kilobytes = value;
        break;
      }
    }
    std::fclose(file);
    return kilobytes * 1024;
  }
};

std::atomic<MemoryStatusSource*> gSource{nullptr};

}  // namespace

int32_t availableMemory() {
  static ProcMeminfo system;
  MemoryStatusSource* source = gSource.load(std::memory_order_acquire);
  int64_t bytes = (source != nullptr ? source : &system)->availableBytes();
  if (bytes < 0) return 0;
  if (bytes > 0x7FFFFFFF) return 0x7FFFFFFF;
  return static_cast<int32_t>(bytes);
}

void setMemoryStatusSource(MemoryStatusSource* source) {
  gSource.store(source, std::memory_order_release);
}

}  // namespace quorix::platform
