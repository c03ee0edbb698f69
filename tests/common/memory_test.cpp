#include <gtest/gtest.h>

#include <cstring>

#include "common/memory.h"
#include "plugin_sdk/status_codes.h"

namespace quorix {
namespace {

TEST(Memory, AllocationsSetTheMemoryErrorWord) {
  setMemoryError(QX_ERR_MEMORY);
  void* block = engineAllocate(16);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(memoryError(), QX_OK);
  engineFree(block);

  ScopedAllocationFailure failing(0);
  EXPECT_EQ(engineAllocate(16), nullptr);
  EXPECT_EQ(memoryError(), QX_ERR_MEMORY);
}

TEST(Memory, FailuresStartAfterTheGivenNumberOfSuccesses) {
  ScopedAllocationFailure failing(2);
  void* a = engineAllocate(1);
  void* b = engineAllocateZeroed(1);
  void* c = engineAllocate(1);
  EXPECT_NE(a, nullptr);
  EXPECT_NE(b, nullptr);
  EXPECT_EQ(c, nullptr);
  engineFree(a);
  engineFree(b);
}

TEST(MemHandle, HoldsItsBlockAndSize) {
  const char text[] = "pixels";
  MemHandle handle = newHandleCopy(text, sizeof text);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(handleSize(handle), sizeof text);
  EXPECT_STREQ(static_cast<const char*>(handle->data), "pixels");

  ASSERT_TRUE(setHandleSize(handle, 4096));
  EXPECT_EQ(handleSize(handle), 4096u);
  EXPECT_STREQ(static_cast<const char*>(handle->data), "pixels");  // contents kept
  disposeHandle(handle);
  disposeHandle(nullptr);
  EXPECT_EQ(handleSize(nullptr), 0u);
}

TEST(MemHandle, FailedCreationLeavesNothingAndFailedResizeKeepsTheBlock) {
  for (long successes : {0L, 1L}) {  // the record fails, or the block after the record
    ScopedAllocationFailure failing(successes);
    EXPECT_EQ(newHandle(64), nullptr) << successes;  // LeakSanitizer checks the record was freed
    EXPECT_EQ(memoryError(), QX_ERR_MEMORY);
  }

  MemHandle handle = newHandleCopy("abc", 4);
  ASSERT_NE(handle, nullptr);
  void* before = handle->data;
  {
    ScopedAllocationFailure failing(0);
    EXPECT_FALSE(setHandleSize(handle, 1 << 20));
  }
  EXPECT_EQ(handle->data, before);
  EXPECT_EQ(handleSize(handle), 4u);
  EXPECT_EQ(memoryError(), QX_ERR_MEMORY);
  disposeHandle(handle);
}

}  // namespace
}  // namespace quorix
