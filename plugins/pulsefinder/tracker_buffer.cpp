#include "plugins/pulsefinder/tracker_buffer.h"

#include <cstdlib>

namespace quorix::pulsefinder {
namespace {

long gAllocationsBeforeFailure = -1;

}  // namespace

void* allocateTrackerMemory(size_t bytes) {
  if (gAllocationsBeforeFailure == 0) return nullptr;
  if (gAllocationsBeforeFailure > 0) --gAllocationsBeforeFailure;
  return std::malloc(bytes);
}

void freeTrackerMemory(void* block) { std::free(block); }

void failTrackerAllocationsAfter(long successes) { gAllocationsBeforeFailure = successes; }

}  // namespace quorix::pulsefinder
