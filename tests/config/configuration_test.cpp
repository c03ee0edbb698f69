#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "config/configuration.h"
#include "config/diagnostic_log.h"
#include "tests/support/temp_folder.h"

namespace quorix::config {
namespace {

ConfigSettings parse(const std::string& text) {
  // fmemopen cannot open an empty buffer; an empty stream reads like an empty file.
  std::string buffer = text.empty() ? std::string(1, '\0') : text;
  FILE* stream = fmemopen(buffer.data(), text.empty() ? 0 : buffer.size(), "r");
  if (stream == nullptr) return parseConfiguration(nullptr);
  ConfigSettings settings = parseConfiguration(stream);
  std::fclose(stream);
  return settings;
}

TEST(Configuration, DefaultsHoldWhereTheFileSaysNothing) {
  ConfigSettings settings = parse("");
  EXPECT_EQ(settings.effectTimer, 0);
  EXPECT_EQ(settings.surfaceLock, 1);
  EXPECT_EQ(settings.useAcceleratedPreview, 0);
  EXPECT_EQ(settings.useSystemHeap, 0);
  EXPECT_EQ(settings.directXChangeWindowPosition, 0);
  EXPECT_EQ(settings.useMidi, 0);
  EXPECT_EQ(settings.usePCKeyboard, 1);
}

TEST(Configuration, TheCharacterAfterTheKeyIsASeparatorOfAnyKind) {
  struct Case {
    const char* text;
    int32_t useMidi;
  } cases[] = {
      {"UseMidi=1\n", 1},
      {"UseMidi 1\n", 1},
      {"UseMidi:1\n", 1},
      {"UseMidiX1\n", 1},       // the letter is taken as the separator
      {"UseMidi\n", 0},         // the key alone reads 0
      {"UseMidi", 0},           // ... also as a last line without a newline
      {"UseMidi=  -3 apples\n", -3},
      {"UseMidi=+12\n", 12},
      {"UseMidi=abc\n", 0},
      {"UseMidi==1\n", 0},      // the second '=' is the value, not a separator
      {"usemidi=1\n", 0},       // keys are case-sensitive
      {" UseMidi=1\n", 0},      // the key must start the line
      {"UseMidi=1\nUseMidi=0\n", 0},   // a later line wins
      {"UseMidi=99999999999\n", 2147483647},
      {"UseMidi=7", 7},         // the last line without a newline keeps its value in full
      {"UseMidi=1\r\n", 1},     // CR LF line ends
      {"\rUseMidi=1\n", 1},     // a carriage return starting a line is removed
      {"Unknown=5\nUseMidi=4\n", 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse(c.text).useMidi, c.useMidi) << "'" << c.text << "'";
  }
}

TEST(Configuration, EveryKeyReachesItsField) {
  ConfigSettings s = parse(
      "EffectTimer=1\nSurfaceLock=0\nUseAcceleratedPreview=1\nUseSystemHeap=1\n"
      "DirectXChangeWindowPosition=1\nUseMidi=1\nUsePCKeyboard=0\n");
  EXPECT_EQ(s.effectTimer, 1);
  EXPECT_EQ(s.surfaceLock, 0);
  EXPECT_EQ(s.useAcceleratedPreview, 1);
  EXPECT_EQ(s.useSystemHeap, 1);
  EXPECT_EQ(s.directXChangeWindowPosition, 1);
  EXPECT_EQ(s.useMidi, 1);
  EXPECT_EQ(s.usePCKeyboard, 0);
}

TEST(Configuration, LongLinesAndBinaryBytesAreHarmless) {
  // A line over 255 characters continues as a new line after character 255.
  std::string longLine = std::string(255, 'x') + "UseMidi=1\n";
  EXPECT_EQ(parse(longLine).useMidi, 1);
  std::string filler = std::string(300, 'y') + "\n";
  EXPECT_EQ(parse(filler + "UsePCKeyboard=0\n").usePCKeyboard, 0);

  std::string binary;
  for (int i = 0; i < 2048; ++i) binary += static_cast<char>((i * 97 + 13) & 0xFF);
  ConfigSettings settings = parse(binary + "\nSurfaceLock=0\n");
  EXPECT_EQ(settings.surfaceLock, 0);
  EXPECT_EQ(parse(std::string("Use\0Midi=1\n", 11)).useMidi, 0);
}

TEST(Configuration, FileIsReadFromTheCurrentDirectoryThenTheUserFolder) {
  testing::TempFolder temp;
  temp.makeFolder("work");
  testing::ScopedEnv xdg("XDG_CONFIG_HOME", temp / "xdg");
  testing::inFolder(temp / "work", [&] {
    EXPECT_EQ(findConfigurationFile(), "");
    ConfigurationSource none = loadConfigurationFile();
    EXPECT_EQ(none.path, "");
    EXPECT_EQ(none.settings.usePCKeyboard, 1);

    temp.write("xdg/quorix/Kyrel_IT.cfg", "UseMidi=2\n");
    ConfigurationSource user = loadConfigurationFile();
    EXPECT_EQ(user.path, temp / "xdg/quorix/Kyrel_IT.cfg");
    EXPECT_EQ(user.settings.useMidi, 2);

    temp.write("work/Kyrel_IT.cfg", "UseMidi=3\n");
    ConfigurationSource local = loadConfigurationFile();
    EXPECT_EQ(local.path, "Kyrel_IT.cfg");
    EXPECT_EQ(local.settings.useMidi, 3);
  });
}

TEST(Configuration, ReadingMakesItCurrentAndOpensTheLogOnRequest) {
  testing::TempFolder temp;
  testing::ScopedEnv xdg("XDG_CONFIG_HOME", temp / "xdg");
  testing::inFolder(temp.path(), [&] {
    temp.write("Kyrel_IT.cfg", "SurfaceLock=0\n");
    readConfiguration();
    EXPECT_EQ(configuration().surfaceLock, 0);
    EXPECT_FALSE(logIsOpen());

    temp.write("Kyrel_IT.cfg", "EffectTimer=1\n");
    readConfiguration();
    EXPECT_EQ(configuration().effectTimer, 1);
    EXPECT_TRUE(logIsOpen());
    logTrace("Open Movie File");
    closeLog();
    EXPECT_EQ(testing::readFile(temp / "effect_timer.txt"), "Open Movie File\n");

    std::remove("Kyrel_IT.cfg");
    readConfiguration();
    EXPECT_EQ(configuration().surfaceLock, 1);  // a missing file restores the defaults
  });
}

}  // namespace
}  // namespace quorix::config
