// The engine's memory blocks and relocatable handles, and the engine-wide memory error word.
//
// Every variable-size block of the engine comes from engineAllocate. A failed allocation
// returns null and sets the memory error word to -108; a successful one sets it to 0. Tests
// can make allocations fail on purpose to reach every out-of-memory path.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin_sdk/quorix_types.h"

namespace quorix {

// The memory error word: 0 after a successful allocation, -108 after a failed one.
int32_t memoryError();
void setMemoryError(int32_t error);

// A block of `size` bytes (uninitialised), or null. Sets the memory error word.
void* engineAllocate(size_t size);
// A zero-filled block, or null. Sets the memory error word.
void* engineAllocateZeroed(size_t size);
// Resizes a block keeping its contents; null (and the old block untouched) on failure.
void* engineReallocate(void* block, size_t size);
void engineFree(void* block);

// A handle with an uninitialised block of `size` bytes, or null (nothing allocated).
MemHandle newHandle(uint32_t size);
// A handle holding a copy of `size` bytes at `data`, or null.
MemHandle newHandleCopy(const void* data, uint32_t size);
// Frees the block and the handle; null is ignored.
void disposeHandle(MemHandle handle);
// Resizes the handle's block, contents kept; false (handle unchanged) on failure.
bool setHandleSize(MemHandle handle, uint32_t size);
// The block's size in bytes; 0 for null.
uint32_t handleSize(MemHandle handle);

// Test seam: after `successes` more allocations succeed, every allocation fails until reset.
// A negative count turns failures off.
void failAllocationsAfter(long successes);
void resetAllocationFailures();

// Turns allocation failures on for the lifetime of a scope.
class ScopedAllocationFailure {
 public:
  explicit ScopedAllocationFailure(long successes) { failAllocationsAfter(successes); }
  ~ScopedAllocationFailure() { resetAllocationFailures(); }
  ScopedAllocationFailure(const ScopedAllocationFailure&) = delete;
  ScopedAllocationFailure& operator=(const ScopedAllocationFailure&) = delete;
};

}  // namespace quorix
