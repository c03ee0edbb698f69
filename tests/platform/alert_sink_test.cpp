#include <gtest/gtest.h>

#include "platform/alert_sink.h"

namespace quorix::platform {
namespace {

TEST(AlertSink, RecorderKeepsAlertsAndAnswersQuestions) {
  RecordingAlertSink recorder;
  recorder.answer = Answer::No;
  {
    ScopedAlertSink scope(recorder);
    alertSink().alert("Quorix", "one");
    EXPECT_EQ(alertSink().ask("Quorix", "Save?", Buttons::YesNoCancel), Answer::No);
  }
  ASSERT_EQ(recorder.entries.size(), 2u);
  EXPECT_EQ(recorder.entries[0].text, "one");
  EXPECT_FALSE(recorder.entries[0].question);
  EXPECT_TRUE(recorder.entries[1].question);
  EXPECT_NE(&alertSink(), &recorder);  // the scope restored the default sink
}

TEST(AlertSink, DefaultSinkWritesOneLineToStandardError) {
  ::testing::internal::CaptureStderr();
  alertSink().alert("Quorix", "Something went wrong");
  EXPECT_EQ(alertSink().ask("Quorix", "Save?", Buttons::YesNoCancel), Answer::Cancel);
  std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(written, "Quorix: Something went wrong\nQuorix: Save?\n");
}

}  // namespace
}  // namespace quorix::platform
