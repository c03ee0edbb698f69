// How much memory the engine may still use, as the picture cache and the toolbox ask.
#pragma once

#include <cstdint>

namespace quorix::platform {

class MemoryStatusSource {
 public:
  virtual ~MemoryStatusSource() = default;
  // Bytes of memory available to the process now.
  virtual int64_t availableBytes() = 0;
};

// Available memory in bytes, clamped to 0..0x7FFFFFFF (the view of a 32-bit process). By
// default MemAvailable of /proc/meminfo.
int32_t availableMemory();

// Replaces the source; null restores the system's. The source must outlive its use.
void setMemoryStatusSource(MemoryStatusSource* source);

// A fixed figure, for tests.
class FixedMemoryStatus : public MemoryStatusSource {
 public:
  explicit FixedMemoryStatus(int64_t bytes) : bytes_(bytes) {}
  int64_t availableBytes() override { return bytes_; }
  void set(int64_t bytes) { bytes_ = bytes; }

 private:
  int64_t bytes_;
};

}  // namespace quorix::platform
