#include <gtest/gtest.h>

#include "config/diagnostic_log.h"
#include "tests/support/temp_folder.h"

namespace quorix::config {
namespace {

TEST(DiagnosticLog, TraceLinesAreFlushedAsTheyAreWritten) {
  testing::TempFolder temp;
  std::string path = temp / "effect_timer.txt";
  ASSERT_TRUE(openLog(path));
  logTrace("New Movie From File");
  EXPECT_EQ(testing::readFile(path), "New Movie From File\n");  // flushed without closing
  logPrintf("called %d in %d millisec. Effect name : %.4s\n", 3, 50, "hsAT");
  closeLog();
  EXPECT_EQ(testing::readFile(path),
            "New Movie From File\ncalled 3 in 50 millisec. Effect name : hsAT\n");
}

TEST(DiagnosticLog, WritingToAClosedLogDoesNothing) {
  closeLog();
  EXPECT_FALSE(logIsOpen());
  logTrace("nowhere");
  logPrintf("%s\n", "nowhere");
  closeLog();
}

TEST(DiagnosticLog, ALogThatCannotBeCreatedLeavesLoggingOff) {
  testing::TempFolder temp;
  EXPECT_FALSE(openLog(temp / "missing-folder/effect_timer.txt"));
  EXPECT_FALSE(logIsOpen());
}

}  // namespace
}  // namespace quorix::config
