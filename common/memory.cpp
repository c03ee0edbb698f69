#include "common/memory.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "plugin_sdk/status_codes.h"

namespace quorix {
namespace {

std::atomic<int32_t> gMemoryError{0};
std::atomic<long> gSuccessesLeft{-1};

// True when the test seam says this allocation must fail.
bool injectedFailure() {
  long left = gSuccessesLeft.load(std::memory_order_relaxed);
  while (left >= 0) {
    if (left == 0) return true;
    if (gSuccessesLeft.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
      return false;
    }
  }
  return false;
}

void* record(void* block) {
  setMemoryError(block != nullptr ? QX_OK : QX_ERR_MEMORY);
  return block;
}

}  // namespace

int32_t memoryError() { return gMemoryError.load(std::memory_order_relaxed); }
void setMemoryError(int32_t error) { gMemoryError.store(error, std::memory_order_relaxed); }

void* engineAllocate(size_t size) {
  if (injectedFailure()) return record(nullptr);
  return record(std::malloc(size == 0 ? 1 : size));
}

void* engineAllocateZeroed(size_t size) {
  if (injectedFailure()) return record(nullptr);
  return record(std::calloc(1, size == 0 ? 1 : size));
}

void* engineReallocate(void* block, size_t size) {
  if (injectedFailure()) return record(nullptr);
  return record(std::realloc(block, size == 0 ? 1 : size));
}

void engineFree(void* block) { std::free(block); }

MemHandle newHandle(uint32_t size) {
  auto* handle = static_cast<MemHandle>(engineAllocate(sizeof(MemHandleRecord)));
  if (handle == nullptr) return nullptr;
  handle->data = engineAllocate(size);
  if (handle->data == nullptr) {
    engineFree(handle);
    return nullptr;
  }
  handle->size = size;
  return handle;
}

MemHandle newHandleCopy(const void* data, uint32_t size) {
  MemHandle handle = newHandle(size);
  if (handle != nullptr && size > 0) std::memcpy(handle->data, data, size);
  return handle;
}

void disposeHandle(MemHandle handle) {
  if (handle == nullptr) return;
  engineFree(handle->data);
  engineFree(handle);
}

bool setHandleSize(MemHandle handle, uint32_t size) {
  if (handle == nullptr) return false;
  void* grown = engineReallocate(handle->data, size);
  if (grown == nullptr) return false;
  handle->data = grown;
  handle->size = size;
  return true;
}

uint32_t handleSize(MemHandle handle) { return handle != nullptr ? handle->size : 0; }

void failAllocationsAfter(long successes) {
  gSuccessesLeft.store(successes, std::memory_order_relaxed);
}

void resetAllocationFailures() { gSuccessesLeft.store(-1, std::memory_order_relaxed); }

}  // namespace quorix
