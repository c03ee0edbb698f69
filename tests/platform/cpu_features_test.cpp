#include <gtest/gtest.h>

#include "platform/cpu_features.h"

namespace quorix::platform {
namespace {

TEST(CpuFeatures, ProbeFindsMmxAndFpuOnX86) {
  ProcessorFeatures probed = probeProcessorFeatures();
#if defined(__x86_64__)
  EXPECT_EQ(probed.mmx, 1u);  // every x86-64 processor has MMX and an FPU
  EXPECT_EQ(probed.fpu, 1u);
#endif
  EXPECT_LE(probed.stepping, 15u);
}

TEST(CpuFeatures, TestsCanClearTheMmxFlagAndRestoreIt) {
  ProcessorFeatures cleared = processorFeatures();
  cleared.mmx = 0;
  setProcessorFeatures(cleared);
  EXPECT_EQ(processorFeatures().mmx, 0u);
  resetProcessorFeatures();
  EXPECT_EQ(processorFeatures().mmx, probeProcessorFeatures().mmx);
}

}  // namespace
}  // namespace quorix::platform
