#include "platform/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace quorix::platform {
namespace {

ProcessorFeatures& current() {
  static ProcessorFeatures features = probeProcessorFeatures();
  return features;
}

}  // namespace

ProcessorFeatures probeProcessorFeatures() {
  ProcessorFeatures features;
#if defined(__x86_64__) || defined(__i386__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0) {
    features.stepping = eax & 0xF;
    features.fpu = edx & 1u;
    features.mmx = (edx >> 23) & 1u;
  }
  __builtin_cpu_init();
  features.wideVectors = __builtin_cpu_supports("avx2") ? 1u : 0u;
#endif
  return features;
}

const ProcessorFeatures& processorFeatures() { return current(); }

void setProcessorFeatures(const ProcessorFeatures& features) { current() = features; }

void resetProcessorFeatures() { current() = probeProcessorFeatures(); }

}  // namespace quorix::platform
