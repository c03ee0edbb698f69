// The engine-wide pseudo-random generator: the classic C run-time recurrence
// x = x * 214013 + 2531011, giving (x >> 16) & 0x7FFF. Every part of the engine that draws a
// random number uses this one sequence, so a seeded run repeats exactly.
//
// [render thread] The state is one process-wide word; it is not meant for other threads.
#pragma once

#include <cstdint>

namespace quorix {

inline constexpr int32_t kRandomMax = 32767;

// Restarts the sequence; the state before any seeding is 1.
void seedRandom(uint32_t seed);

// The next value, 0 .. kRandomMax.
int32_t nextRandom();

}  // namespace quorix
