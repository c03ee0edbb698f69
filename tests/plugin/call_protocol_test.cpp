#include <gtest/gtest.h>

#include <sstream>

#include "common/fourcc.h"
#include "config/diagnostic_log.h"
#include "platform/clock.h"
#include "plugin/call_protocol.h"
#include "plugin/plugin_manager.h"
#include "tests/plugin/plugin_folder.h"

namespace quorix::plugin {
namespace {

using testing::PluginFolder;
using Strings = std::vector<std::string>;

// Effects "a.kpl" ('TEST') and "v.kpl" ('VOID', whose open makes no instance) in a manager.
class CallProtocol : public ::testing::Test {
 protected:
  CallProtocol() {
    plugins.add("effect.so", "a.kpl");
    plugins.add("void_effect.so", "sub/v.kpl");
    manager = plugins.load();
    plugins.trace();
  }

  PluginRecord& effect(const char (&type)[5]) { return *manager->findEffect(fourcc(type)); }

  PluginFolder plugins;
  PluginManager::Pointer manager;
  uint8_t settings[64] = {'T', 'E', 'S', 'T', 0, 0, 0, 5};
};

TEST_F(CallProtocol, OpenPreloadsFirstThenOpensWithTheKeyMedium) {
  PluginRecord& a = effect("TEST");
  manager->openEffect(a, settings, 2, 3, QX_MEDIA_PICTURE);
  EXPECT_EQ(plugins.trace(), (Strings{"a.kpl 11 TEST",
                                      "a.kpl 1 TEST document=2 media=3 kind=1 instance=1 memory=heap"}));
  EXPECT_EQ(a.open, 1);
  EXPECT_EQ(a.preloaded, 1);
  EXPECT_NE(a.callBlock.state, nullptr);
  // The plug-in was handed a copy of the settings, valid only during the call.
  EXPECT_NE(a.callBlock.argument, reinterpret_cast<intptr_t>(settings));
  EXPECT_EQ(a.callBlock.selector, QX_SELECTOR_OPEN);
  callPlugin(a, QX_SELECTOR_CLOSE);
}

TEST_F(CallProtocol, TwoActionsOfOneEffectShareItsInstanceUntilTheFirstEnds) {
  PluginRecord& a = effect("TEST");
  manager->openEffect(a, settings, 0, 0, 0);
  manager->openEffect(a, settings, 0, 0, 0);  // the second Action: no second open
  for (int frame = 0; frame < 2; ++frame) {
    callPlugin(a, QX_SELECTOR_PROCESS);
    callPlugin(a, QX_SELECTOR_PROCESS);
  }
  callPlugin(a, QX_SELECTOR_CLOSE);  // the first Action ends
  callPlugin(a, QX_SELECTOR_PROCESS);
  callPlugin(a, QX_SELECTOR_CLOSE);  // the second ends: nothing left to send
  EXPECT_EQ(plugins.trace(),
            (Strings{"a.kpl 11 TEST", "a.kpl 1 TEST document=0 media=0 kind=0 instance=1 memory=heap",
                     "a.kpl 4 instance=1", "a.kpl 4 instance=1", "a.kpl 4 instance=1",
                     "a.kpl 4 instance=1", "a.kpl 2 instance=1"}));
  EXPECT_EQ(a.open, 0);
  EXPECT_EQ(a.callBlock.state, nullptr);

  // A later Action opens a new instance; the effect is still preloaded.
  manager->openEffect(a, settings, 1, 0, QX_MEDIA_MOVIE);
  EXPECT_EQ(plugins.trace(),
            Strings{"a.kpl 1 TEST document=1 media=0 kind=2 instance=2 memory=heap"});
  callPlugin(a, QX_SELECTOR_CLOSE);
}

TEST_F(CallProtocol, PreloadIsSentAtMostOnceUntilUnload) {
  const FourCC test[] = {fourcc("TEST")};
  const FourCC both[] = {fourcc("TEST"), fourcc("VOID")};
  struct Step {
    std::span<const FourCC> used;  // the bank's effects; empty span: engine close
    bool engineClose;
    Strings trace;
  };
  for (const Step& step : {Step{test, false, {"a.kpl 11 0"}},
                           Step{test, false, {}},
                           Step{test, false, {}},
                           Step{{}, false, {"a.kpl 12"}},
                           Step{{}, false, {}},
                           Step{{}, true, {}},
                           Step{both, false, {"v.kpl 11 0", "a.kpl 11 0"}},
                           Step{{}, true, {"v.kpl 12", "a.kpl 12"}}}) {
    if (step.engineClose) {
      manager->unloadAllEffects();
    } else {
      manager->preloadBank(step.used);
    }
    EXPECT_EQ(plugins.trace(), step.trace);
  }
  EXPECT_EQ(effect("TEST").usedByBank, 1);
  EXPECT_EQ(effect("TEST").preloaded, 0);

  // An open after a bank preload does not preload again.
  manager->preloadBank(test);
  plugins.trace();
  manager->openEffect(effect("TEST"), settings, 0, 0, 0);
  Strings trace = plugins.trace();
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_EQ(trace[0].rfind("a.kpl 1 TEST", 0), 0u);
  callPlugin(effect("TEST"), QX_SELECTOR_CLOSE);
}

TEST_F(CallProtocol, AnOpenThatMakesNoInstanceIsStillProcessed) {
  PluginRecord& v = effect("VOID");
  manager->openEffect(v, settings, 0, 0, 0);
  callPlugin(v, QX_SELECTOR_PROCESS);
  callPlugin(v, QX_SELECTOR_CLOSE);
  EXPECT_EQ(plugins.trace(),
            (Strings{"v.kpl 11 TEST", "v.kpl 1 TEST document=0 media=0 kind=0 instance=0 memory=heap",
                     "v.kpl 4 instance=0", "v.kpl 2 instance=0"}));
}

TEST_F(CallProtocol, TheResultIsClearedBeforeEveryCall) {
  plugins.add("untyped.so", "u.kpl");
  manager.reset();
  manager = plugins.load();
  PluginRecord& untyped = *manager->findEffect(0);
  untyped.callBlock.result = 1234;
  EXPECT_EQ(callPlugin(untyped, QX_SELECTOR_IDENTIFY), 0);  // the plug-in left it alone

  // Selectors a plug-in does not know are answered with nothing.
  PluginRecord& a = effect("TEST");
  a.callBlock.result = 99;
  EXPECT_EQ(callPlugin(a, 99, 7), 0);
  EXPECT_EQ(a.callBlock.argument, 7);

  // A record without an entry point is never called.
  PluginRecord bare;
  EXPECT_EQ(callPlugin(bare, QX_SELECTOR_IDENTIFY), 0);
  EXPECT_EQ(bare.callBlock.selector, 0);
}

// A clock that moves on by `step` milliseconds at every reading.
class SteppingClock : public platform::ClockSource {
 public:
  explicit SteppingClock(uint64_t step) : step_(step) {}
  uint64_t nowMilliseconds() override { return now_ += step_; }

 private:
  uint64_t step_;
  uint64_t now_ = 1000;
};

TEST_F(CallProtocol, TimedEffectsWriteTheirStatisticsAtClose) {
  struct Case {
    int32_t timingSwitch;
    bool logOpen;
    int frames;
    uint32_t calls;  // counted between open and close
    Strings lines;
  };
  for (const Case& c :
       {Case{1, true, 3, 3,
             {"called 3 in 15 millisec. Effect name : TSET",
              "Time for 1 call : 5.000000 millisec, frame rate : 200.000000 /sec"}},
        Case{1, true, 0, 0,
             {"called 0 in 0 millisec. Effect name : TSET",
              "Time for 1 call : 0.000000 millisec, frame rate : 0.000000 /sec"}},
        Case{1, false, 3, 3, {}},
        Case{0, true, 3, 0, {}}}) {
    testing::TempFolder logFolder;
    std::string log = logFolder / "effect_timer.txt";
    if (c.logOpen) {
      ASSERT_TRUE(config::openLog(log));
    }
    SteppingClock clock(5);
    platform::ScopedClockSource scopedClock(clock);
    manager->setTimingSwitch(c.timingSwitch);

    PluginRecord& a = effect("TEST");
    manager->openEffect(a, settings, 0, 0, 0);
    manager->setTimingSwitch(1 - c.timingSwitch);  // taken at open, not later
    uint32_t callsAtOpen = a.callCount, timeAtOpen = a.totalTime;
    for (int i = 0; i < c.frames; ++i) callPlugin(a, QX_SELECTOR_PROCESS);
    EXPECT_EQ(a.callCount - callsAtOpen, c.calls);
    EXPECT_EQ(a.totalTime - timeAtOpen, 5 * c.calls);
    callPlugin(a, QX_SELECTOR_CLOSE);
    config::closeLog();

    Strings lines;
    std::istringstream text(testing::readFile(log));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    EXPECT_EQ(lines, c.lines) << c.timingSwitch << c.logOpen << c.frames;
  }

  // Each timed open starts counting afresh.
  SteppingClock clock(2);
  platform::ScopedClockSource scopedClock(clock);
  manager->setTimingSwitch(1);
  PluginRecord& a = effect("TEST");
  manager->openEffect(a, settings, 0, 0, 0);
  callPlugin(a, QX_SELECTOR_PROCESS);
  EXPECT_EQ(a.callCount, 1u);
  EXPECT_EQ(a.totalTime, 2u);
  EXPECT_EQ(a.lastStart, 2u);  // the last call's duration
  callPlugin(a, QX_SELECTOR_CLOSE);
}

TEST(TimingLines, NameTheCodeInMemoryOrderAndGuardTheMean) {
  struct Case {
    uint32_t calls, total;
    const char* lines;
  };
  for (Case c : {Case{2, 7,
                      "called 2 in 7 millisec. Effect name : hsAT\n"
                      "Time for 1 call : 3.500000 millisec, frame rate : 285.714286 /sec\n"},
                 Case{4, 0,
                      "called 4 in 0 millisec. Effect name : hsAT\n"
                      "Time for 1 call : 0.000000 millisec, frame rate : 0.000000 /sec\n"}}) {
    testing::TempFolder logFolder;
    ASSERT_TRUE(config::openLog(logFolder / "log.txt"));
    config::logTiming(c.calls, c.total, fourcc("TAsh"));
    config::closeLog();
    EXPECT_EQ(testing::readFile(logFolder / "log.txt"), c.lines);
  }
  config::logTiming(1, 1, fourcc("TAsh"));  // with the log closed: nothing, and no crash
}

}  // namespace
}  // namespace quorix::plugin
