// The beat tracker under arbitrary formats, time stamps and samples: no read outside the
// block, no division by zero, no overflow.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "plugins/pulsefinder/beat_tracker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  uint32_t rateWord;
  std::memcpy(&rateWord, data, 4);
  const uint32_t rate = 1 + rateWord % 200000;
  const uint32_t blockSize = 1 + (data[4] | data[5] << 8) % 4096;
  data += 6;
  size -= 6;

  // Trackers of many megabytes run the same code, only slower: keep the runs quick.
  const auto sizes = quorix::pulsefinder::deriveTrackerSizes(rate, blockSize);
  if (sizes && quorix::pulsefinder::trackerBufferBytes(*sizes) > (4u << 20)) return 0;

  quorix::pulsefinder::BeatTracker tracker;
  std::vector<int8_t> block(2 * blockSize);
  if (!tracker.open(rate, blockSize)) {
    if (tracker.process(block.data(), 0) != 0) __builtin_trap();
    return 0;
  }
  // Each call takes one byte for its time step (small steps, pauses, jumps of minutes, steps
  // back) and as many sample bytes as the block needs, read round the input.
  uint32_t clock = 0;
  size_t at = 0;
  for (size_t call = 0; call < size && call < 300; ++call) {
    const uint8_t code = data[call];
    clock += code < 160 ? code : code < 240 ? (code - 160) * 4000u : 0u - (code - 239) * 700u;
    for (uint32_t i = 0; i < 2 * blockSize; ++i, ++at) {
      block[i] = static_cast<int8_t>(data[at % size]);
    }
    const uint32_t word = tracker.process(block.data(), clock);
    if (word != 0 && (word & 0xFFFF) != 1) __builtin_trap();
  }
  tracker.close();
  return 0;
}
