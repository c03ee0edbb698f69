#include <gtest/gtest.h>

#include "platform/alert_sink.h"
#include "ui/alerts.h"
#include "ui/string_table.h"

namespace quorix::ui {
namespace {

class AlertsTest : public ::testing::Test {
 protected:
  platform::RecordingAlertSink recorder;
  platform::ScopedAlertSink scope{recorder};

  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const auto& entry : recorder.entries) {
      EXPECT_EQ(entry.title, "Quorix");
      out.push_back(entry.text);
    }
    return out;
  }
};

TEST_F(AlertsTest, MessagesByNumberWithTheMissingNumberFallback) {
  alertMessage(kStringNotEnoughMemory);
  alertMessage(1048);  // the library has no text 1048
  alertError(-5007, kStringOpenFailed);
  alertError(-43, 1048);
  EXPECT_EQ(texts(), (std::vector<std::string>{
                         "Not enough memory available. Quit Kyrel, assign more memory from the "
                         "Finder and try again.",
                         "Message 1048",
                         "Error -5007 : Error while opening file. File not found or damaged.",
                         "Error -43 : Message 1048"}));
}

TEST_F(AlertsTest, FormattedAlertsSubstituteTheOneIntegerConversion) {
  alertFormatted("Error %ld when activating the engine !", -10002);
  alertFormatted("Error %d when starting QuickTime !", -2093);
  alertFormatted("100%% done, %s stays, %u", 7);
  alertFormatted("no conversion", 5);
  EXPECT_EQ(texts(), (std::vector<std::string>{"Error -10002 when activating the engine !",
                                               "Error -2093 when starting QuickTime !",
                                               "100% done, %s stays, 7", "no conversion"}));
}

TEST_F(AlertsTest, SuppressedWhileTheEngineHoldsTheFullScreenDisplay) {
  setAlertsSuppressed(true);
  alert("hidden");
  alertMessage(kStringDiskError);
  setAlertsSuppressed(false);
  alert("shown");
  EXPECT_EQ(texts(), std::vector<std::string>{"shown"});
}

TEST(StringTable, HoldsEveryNumberedMessage) {
  struct Case {
    int id;
    const char* start;
  } cases[] = {
      {1000, "Quorix Visualizer 1_0"},
      {1005, "To actually switch to the new MIDI driver"},
      {1009, "Memory allocation error while creating a Patch!"},
      {1011, "Sorry, this action can not be performed while the Quorix engine is active."},
      {1012, "Select a Synth or Patch and try again!"},
      {1013, "Please switch to 256 colors and try again!"},
      {1014, "The screen size is larger than the monitor!"},
      {1015, "Not enough memory available."},
      {1016, "Error while opening file. File not found or damaged."},
      {1017, "Fatal error accessing disk volume!"},
      {1019, "This file was created with another version of Kyrel."},
      {1020, "This Synth file seems to be damaged."},
      {1021, "This Patch file seems to be damaged."},
      {1022, "This file seems to be damaged."},
      {1023, "This movie database seems to be damaged."},
      {1024, "This 3D database seems to be damaged."},
      {1025, "The QuickTime movie must be in the same folder as the Synth file!"},
      {1037, "This file is already open ..."},
      {1039, "The QuickTime movie is not found in the original folder. Please reload it!"},
      {1043, "Your CD is not working properly, correct and try again !"},
  };
  for (const Case& c : cases) {
    const char* text = stringResource(c.id);
    ASSERT_NE(text, nullptr) << c.id;
    EXPECT_EQ(std::string(text).rfind(c.start, 0), 0u) << c.id << ": " << text;
  }
  EXPECT_EQ(stringResource(1048), nullptr);
  EXPECT_EQ(stringResource(0), nullptr);
}

}  // namespace
}  // namespace quorix::ui
