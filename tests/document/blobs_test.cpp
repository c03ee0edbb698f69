#include <gtest/gtest.h>

#include <cstring>

#include "common/fourcc.h"
#include "common/memory.h"
#include "document/blobs.h"
#include "plugin_sdk/status_codes.h"
#include "tests/document/synth_test_support.h"

namespace quorix::document {
namespace {

MemHandle handleOf(const std::string& text) {
  return newHandleCopy(text.data(), static_cast<uint32_t>(text.size()));
}

std::string textOf(MemHandle handle) {
  return handle != nullptr ? std::string(static_cast<char*>(handle->data), handle->size) : "<null>";
}

class BlobTest : public SynthTest {
 protected:
  int32_t synth = newSynth(temp / "blobs.qrx");
};

TEST_F(BlobTest, SettingABlobThroughEmptySettingsAddsItAndWritesItsId) {
  uint8_t settings[64] = {'G', 'L', 'A', 'S'};
  setBlob(settings, synth, handleOf("first"));
  const uint8_t id[] = {0, 0, 0, 1};
  EXPECT_EQ(std::memcmp(settings + 4, id, 4), 0);
  EXPECT_EQ(textOf(getBlob(settings, synth)), "first");

  uint8_t other[64] = {};
  setBlob(other, synth, handleOf("second"));
  EXPECT_EQ(other[7], 2);
  // A known id gets the new data; the old is freed (the sanitizer sees any leak).
  setBlob(settings, synth, handleOf("replaced"));
  EXPECT_EQ(textOf(getBlob(settings, synth)), "replaced");
  EXPECT_EQ(BlobTable::count(synthSlot(synth)->blobs), 2);
}

TEST_F(BlobTest, HandingBackTheSameHandleKeepsItsData) {
  uint8_t settings[64] = {};
  setBlob(settings, synth, handleOf("live"));
  MemHandle held = getBlob(settings, synth);
  setBlob(settings, synth, held);
  EXPECT_EQ(textOf(getBlob(settings, synth)), "live");
  uint32_t id = settings[7];
  EXPECT_EQ(replaceBlob(synth, id, held), QX_OK);
  EXPECT_EQ(textOf(findBlob(synth, id)), "live");
}

TEST_F(BlobTest, AnUnknownIdIsAddedAsItIs) {
  uint8_t settings[64] = {0, 0, 0, 0, 0, 0, 0, 9};
  setBlob(settings, synth, handleOf("nine"));
  EXPECT_EQ(textOf(findBlob(synth, 9)), "nine");
  EXPECT_EQ(settings[7], 9);
  // New ids continue after the largest.
  EXPECT_EQ(addBlob(synth, handleOf("ten"), fourcc("TAsh")), 10u);
  const BlobEntry& entry = BlobTable::entries(synthSlot(synth)->blobs)[1];
  EXPECT_EQ(entry.blobTag, fourcc("TAsh"));
}

TEST_F(BlobTest, SharedHandlesAreFreedOnceWhenTheSynthCloses) {
  uint32_t a = addBlob(synth, handleOf("a"), 0);
  uint32_t b = addBlob(synth, handleOf("b"), 0);
  addBlob(synth, handleOf("a too"), 0);
  MemHandle shared = handleOf("shared");
  // Two entries with id `a`: replaceBlob gives both the new handle.
  BlobTable::entries(synthSlot(synth)->blobs)[2].blobId = a;
  EXPECT_EQ(replaceBlob(synth, a, shared), QX_OK);
  EXPECT_EQ(findBlob(synth, a), shared);
  EXPECT_EQ(BlobTable::entries(synthSlot(synth)->blobs)[2].data, shared);
  EXPECT_EQ(replaceBlob(synth, b, shared), QX_OK);
  EXPECT_EQ(textOf(findBlob(synth, b)), "shared");
  synthSlot(synth)->modified = 0;
  EXPECT_EQ(closeSynth(synth, false), QX_OK);  // no double free
}

TEST_F(BlobTest, ATableThatCannotGrowGivesIdZero) {
  MemHandle data = handleOf("kept by the caller");
  {
    ScopedAllocationFailure failure(0);
    EXPECT_EQ(addBlob(synth, data, 0), 0u);
    EXPECT_EQ(memoryError(), QX_ERR_MEMORY);
    uint8_t settings[64] = {};
    setBlob(settings, synth, data);
    EXPECT_EQ(settings[7], 0);
  }
  disposeHandle(data);
  EXPECT_EQ(findBlob(synth, 1), nullptr);
  EXPECT_EQ(getBlob(nullptr, synth), nullptr);
  EXPECT_EQ(findBlob(synth + 1, 1), nullptr);
}

}  // namespace
}  // namespace quorix::document
