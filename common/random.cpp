#include "common/random.h"

#include <atomic>

namespace quorix {
namespace {

// Relaxed loads and stores keep a stray call from another thread well defined; the sequence
// itself belongs to the render thread.
std::atomic<uint32_t> gState{1};

}  // namespace

void seedRandom(uint32_t seed) { gState.store(seed, std::memory_order_relaxed); }

int32_t nextRandom() {
  uint32_t state = gState.load(std::memory_order_relaxed) * 214013u + 2531011u;
  gState.store(state, std::memory_order_relaxed);
  return static_cast<int32_t>((state >> 16) & 0x7FFF);
}

}  // namespace quorix
