// Processor features the engine reports to plug-ins and uses to choose its SIMD paths.
#pragma once

#include <cstdint>

namespace quorix::platform {

struct ProcessorFeatures {
  uint32_t stepping = 0; // low four bits of the processor signature
  uint32_t fpu = 0;      // 1 when a floating-point unit is present
  uint32_t mmx = 0;      // 1 when MMX (and the engine's SIMD paths) may be used
  // 1 when the SIMD paths may also use 32-byte vectors (AVX2 with operating-system support);
  // the pixels they give are the same as with 16-byte vectors. Not reported to plug-ins.
  uint32_t wideVectors = 0;
};

// Probed once from the processor identification instruction; all 0 where it does not exist.
ProcessorFeatures probeProcessorFeatures();

// The features the engine runs with: the probe, unless a test replaced them (for example to
// clear the MMX flag and reach the reference paths).
const ProcessorFeatures& processorFeatures();
void setProcessorFeatures(const ProcessorFeatures& features);
void resetProcessorFeatures();

}  // namespace quorix::platform
