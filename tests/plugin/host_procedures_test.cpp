#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "common/fourcc.h"
#include "common/memory.h"
#include "config/diagnostic_log.h"
#include "document/synth_document.h"
#include "platform/clock.h"
#include "platform/cpu_features.h"
#include "plugin/host_environment.h"
#include "plugin/host_procedures.h"
#include "plugin_sdk/service_table.h"
#include "tests/plugin/plugin_folder.h"

namespace quorix::plugin {
namespace {

using testing::PluginFolder;

template <typename Function>
Function* hostProc(int32_t index) {
  return reinterpret_cast<Function*>(GetHostProc(index));
}

TEST(GetHostProc, AnswersTheEngineProceduresAndNullForEveryOtherNumber) {
  const std::set<int32_t> offered = {1, 4, 5, 13, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 31, 33, 34, 35, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 51, 53, 54, 257};
  for (int32_t index = -2; index <= 300; ++index) {
    EXPECT_EQ(GetHostProc(index) != nullptr, offered.count(index) == 1) << index;
  }
  EXPECT_EQ(GetHostProc(INT32_MIN), nullptr);
}

TEST(GetHostProc, CopyBlitIsTheEnginesBlitterAsTheEnvironmentHandsIt) {
  auto copyBlit = reinterpret_cast<CopyBlitProc>(GetHostProc(QX_HOST_PROC_COPY_BLIT));
  ASSERT_NE(copyBlit, nullptr);
  EXPECT_EQ(copyBlit, hostEnvironment().copyBlit);

  // Two columns of an 8-bit picture copied into the corner of another (the frame is 8-bit
  // until the engine sets one up).
  uint8_t source[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
  uint8_t destination[2][4] = {};
  BufferDesc from{};
  from.baseAddr = source;
  from.bitsPerPixel = 8;
  from.bounds = {0, 0, 2, 4};
  from.rowBytes = 4;
  BufferDesc to = from;
  to.baseAddr = destination;
  Rect16 sourceRect{0, 1, 2, 3};
  Rect16 destinationRect{0, 0, 2, 2};
  copyBlit(&from, &to, &sourceRect, &destinationRect, QX_BLIT_COPY);
  const uint8_t expected[2][4] = {{2, 3, 0, 0}, {6, 7, 0, 0}};
  EXPECT_EQ(std::memcmp(destination, expected, sizeof expected), 0);
}

TEST(GetHostProc, ClockProceduresReadTheEngineClock) {
  platform::ManualClock clock(1999);
  platform::ScopedClockSource scoped(clock);
  EXPECT_EQ(hostProc<uint32_t()>(QX_HOST_PROC_TICKS)(), 119u);
  EXPECT_EQ(hostProc<uint32_t()>(QX_HOST_PROC_MILLISECONDS)(), 1999u);
  clock.advance(1);
  EXPECT_EQ(hostProc<uint32_t()>(QX_HOST_PROC_TICKS)(), 120u);
}

TEST(GetHostProc, FixedAnswers) {
  for (int32_t index : {QX_HOST_PROC_ACCELERATED_COPY, QX_HOST_PROC_DIRECT_DRAWING, QX_HOST_PROC_ZERO_53}) {
    EXPECT_EQ(hostProc<int32_t()>(index)(), 0) << index;
  }
  for (int32_t index : {18, 19, 42, 44, 45, 54}) hostProc<void()>(index)();
}

TEST(GetHostProc, ProcessorReportsTheFeaturesThroughThePointersGiven) {
  using Processor = int32_t(int32_t*, int32_t*, int32_t*);
  for (uint32_t mmx : {1u, 0u}) {
    platform::setProcessorFeatures({3, 1, mmx});
    int32_t stepping = -1, fpu = -1, zero = -1;
    EXPECT_EQ(hostProc<Processor>(QX_HOST_PROC_PROCESSOR)(&stepping, &fpu, &zero),
              static_cast<int32_t>(mmx));
    EXPECT_EQ(stepping, 3);
    EXPECT_EQ(fpu, 1);
    EXPECT_EQ(zero, 0);
    EXPECT_EQ(hostProc<Processor>(QX_HOST_PROC_PROCESSOR)(nullptr, nullptr, nullptr),
              static_cast<int32_t>(mmx));
  }
  platform::resetProcessorFeatures();
}

TEST(GetHostProc, LogTextGoesToTheLogAsItStandsWhileItIsOpen) {
  auto logText = hostProc<void(const char*)>(QX_HOST_PROC_LOG_TEXT);
  testing::TempFolder folder;
  logText("before the log opens");
  ASSERT_TRUE(config::openLog(folder / "log.txt"));
  logText("frame 1 ");
  logText(nullptr);
  logText("done\n");
  config::closeLog();
  logText("after");
  EXPECT_EQ(testing::readFile(folder / "log.txt"), "frame 1 done\n");
}

TEST(GetHostProc, BlobsOfTheEffectSettings) {
  auto getBlob = hostProc<MemHandle(const uint8_t*, int32_t)>(QX_HOST_PROC_GET_BLOB);
  auto setBlob = hostProc<void(uint8_t*, int32_t, MemHandle)>(QX_HOST_PROC_SET_BLOB);
  testing::TempFolder folder;
  int32_t synth = document::newSynth(folder / "blobs.qrx");
  ASSERT_GE(synth, 0);

  uint8_t settings[64] = {'T', 'E', 'S', 'T'};
  EXPECT_EQ(getBlob(settings, synth), nullptr);
  MemHandle data = newHandleCopy("state", 5);
  setBlob(settings, synth, data);
  EXPECT_EQ(settings[7], 1);  // a new id, written back big-endian
  EXPECT_EQ(getBlob(settings, synth), data);
  EXPECT_EQ(getBlob(settings, synth + 1), nullptr);  // no such Synth
  EXPECT_EQ(getBlob(nullptr, synth), nullptr);

  uint8_t other[64] = {};
  MemHandle orphan = newHandleCopy("x", 1);
  setBlob(other, synth + 1, orphan);  // no such Synth: nothing stored
  EXPECT_EQ(other[7], 0);
  disposeHandle(orphan);
  document::closeSynth(synth, false);
}

TEST(GetHostProc, FindServiceAsksTheEnginesManager) {
  auto findService = hostProc<const void*(FourCC)>(QX_HOST_PROC_FIND_SERVICE);
  EXPECT_EQ(findService(QX_SERVICE_MEMORY), nullptr);  // no manager yet

  PluginFolder plugins;
  plugins.add("service.so", "s.kpl");
  plugins.add("service.so", "sub/s.kpl");
  plugins.add("anonymous_service.so", "sub/anonymous.kpl");
  auto manager = plugins.load();
  EXPECT_EQ(findService(fourcc("SRVA")), manager->findService(fourcc("SRVA")));
  EXPECT_EQ(findService(QX_SERVICE_MEMORY), nullptr);  // no memory service installed
  EXPECT_EQ(findService(0), nullptr);  // the id of services that cannot be found

  manager.reset();
  EXPECT_EQ(findService(fourcc("SRVA")), nullptr);
}

TEST(HostEnvironment, OneRecordEveryCallBlockPointsAt) {
  HostEnvironment& environment = hostEnvironment();
  EXPECT_EQ(&environment, &hostEnvironment());
  EXPECT_EQ(environment.version, 0x13000u);
  EXPECT_EQ(environment.getHostProc, &GetHostProc);
  EXPECT_EQ(environment.getHostProc(QX_HOST_PROC_TICKS), GetHostProc(QX_HOST_PROC_TICKS));
  EXPECT_EQ(environment.picture.baseAddr, nullptr);
  EXPECT_EQ(environment.picture.bitsPerPixel, 8u);

  PluginFolder plugins;
  plugins.add("effect.so", "a.kpl");
  plugins.add("service.so", "s.kpl");
  auto manager = plugins.load();
  EXPECT_EQ(manager->effects().head->callBlock.environment, &environment);
  EXPECT_EQ(manager->services().head->callBlock.environment, &environment);
}

}  // namespace
}  // namespace quorix::plugin
