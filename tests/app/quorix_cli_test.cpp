#include <gtest/gtest.h>

#include <filesystem>

#include "host/preferences_file.h"
#include "tests/support/run_program.h"

namespace quorix {
namespace {

using testing::ProgramResult;

// Runs quorix on a base folder and a configuration folder of its own.
class QuorixCli : public ::testing::Test {
 protected:
  testing::TempFolder temp;
  std::string base = temp.makeFolder("base");
  std::string work = temp.makeFolder("work");

  ProgramResult quorix(std::vector<std::string> args) {
    args.insert(args.begin(), {"--base-folder", base});
    return testing::runProgram(QUORIX_PROGRAM, args,
                               {"XDG_CONFIG_HOME=" + (temp / "xdg"), "HOME=" + temp.path()}, work);
  }

  // The value of the "name: value" line for `name` in `out`.
  static std::string valueOf(const std::string& out, const std::string& name) {
    std::string key = "\n" + name + ": ";
    size_t at = ("\n" + out).find(key);
    if (at == std::string::npos) return "<missing>";
    size_t start = at + key.size() - 1;
    return out.substr(start, out.find('\n', start) - start);
  }
};

TEST_F(QuorixCli, HelpListsTheCommandsThatExist) {
  ProgramResult help = quorix({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("version"), std::string::npos);
  EXPECT_NE(help.out.find("prefs"), std::string::npos);

  ProgramResult prefsHelp = quorix({"prefs", "--help"});
  EXPECT_EQ(prefsHelp.exitCode, 0);
  EXPECT_NE(prefsHelp.out.find("quorix prefs set NAME VALUE"), std::string::npos);

  ProgramResult none = testing::runProgram(QUORIX_PROGRAM, {});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_NE(none.err.find("Usage: quorix"), std::string::npos);
}

TEST_F(QuorixCli, VersionNamesTheEngine) {
  for (const char* spelling : {"version", "--version"}) {
    ProgramResult version = quorix({spelling});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_NE(version.out.find("Quorix Visualizer 1_0"), std::string::npos) << version.out;
  }
}

TEST_F(QuorixCli, BadCommandLinesAreOneLineErrors) {
  struct Case {
    std::vector<std::string> args;
  } cases[] = {{{"frobnicate"}}, {{"--bogus"}}, {{"version", "extra"}}, {{"prefs", "remove"}},
               {{"prefs", "set", "Sensitivity"}}};
  for (const Case& c : cases) {
    ProgramResult result = quorix(c.args);
    EXPECT_EQ(result.exitCode, 2) << c.args[0];
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(result.err.rfind("quorix: ", 0), 0u) << result.err;
  }
}

TEST_F(QuorixCli, ShowPrintsEveryValueAndWhereItCameFrom) {
  temp.write("work/Kyrel_IT.cfg", "UseMidi=1\n");
  ProgramResult show = quorix({"prefs", "show"});
  ASSERT_EQ(show.exitCode, 0) << show.err;
  EXPECT_EQ(valueOf(show.out, "Beat/Effect ratio"), "1");
  EXPECT_EQ(valueOf(show.out, "Sensitivity"), "50");
  EXPECT_EQ(valueOf(show.out, "Default BPM"), "120");
  EXPECT_EQ(valueOf(show.out, "Play order"), "Incrementally");
  EXPECT_EQ(valueOf(show.out, "Background colour"), "0,0,0");
  EXPECT_EQ(valueOf(show.out, "UseMidi"), "1");
  EXPECT_EQ(valueOf(show.out, "UsePCKeyboard"), "1");
  EXPECT_EQ(valueOf(show.out, "SurfaceLock"), "1");
  EXPECT_EQ(valueOf(show.out, "Preferences file"), "none read (defaults)");
  EXPECT_EQ(valueOf(show.out, "Configuration file"), "Kyrel_IT.cfg");
  EXPECT_EQ(quorix({"prefs"}).out, show.out);  // show is the default
  EXPECT_FALSE(std::filesystem::exists(temp / "work/effect_timer.txt"));
}

TEST_F(QuorixCli, SetValidatesAndSaves) {
  ProgramResult set = quorix({"prefs", "set", "Beat/Effect ratio", "4"});
  ASSERT_EQ(set.exitCode, 0) << set.err;
  EXPECT_EQ(set.out, "Beat/Effect ratio: 4\n");
  std::string saved = base + "/Quorix Visualizer 1_0.prf";
  EXPECT_EQ(std::filesystem::file_size(saved), 2908u);

  EXPECT_EQ(quorix({"prefs", "set", "default bpm", "300"}).exitCode, 0);
  EXPECT_EQ(quorix({"prefs", "set", "Play order", "Randomly"}).exitCode, 0);
  ProgramResult show = quorix({"prefs", "show"});
  EXPECT_EQ(valueOf(show.out, "Beat/Effect ratio"), "4");
  EXPECT_EQ(valueOf(show.out, "Default BPM"), "300");
  EXPECT_EQ(valueOf(show.out, "Play order"), "Randomly");
  EXPECT_EQ(valueOf(show.out, "Preferences file"), saved);
}

TEST_F(QuorixCli, SetRefusesBadNamesAndValuesWithoutWriting) {
  struct Case {
    std::string name, value;
  } cases[] = {
      {"Beat/Effect ratio", "0"}, {"Beat/Effect ratio", "11"}, {"Sensitivity", "101"},
      {"Sensitivity", "-1"},      {"Default BPM", "9"},        {"Default BPM", "301"},
      {"Default BPM", "12x"},     {"Default BPM", ""},         {"Play order", "Sideways"},
      {"Pixel doubling", "2"},    {"Background colour", "1,2"}, {"Visuals folder", std::string(256, 'f')},
      {"Colour depth", "16"},     {"UseMidi", "1"},
  };
  for (const Case& c : cases) {
    ProgramResult result = quorix({"prefs", "set", c.name, c.value});
    EXPECT_EQ(result.exitCode, 2) << c.name << " = " << c.value;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
  EXPECT_FALSE(std::filesystem::exists(base + "/Quorix Visualizer 1_0.prf"));
}

TEST_F(QuorixCli, AnUnwritableFileIsAFailure) {
  temp.makeFolder("base/Quorix Visualizer 1_0.prf");  // a folder where the file should be
  ProgramResult result = quorix({"prefs", "set", "Sensitivity", "10"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
}

TEST_F(QuorixCli, DefaultBaseFolderIsTheEngineLibrarysFolder) {
  ProgramResult show = testing::runProgram(
      QUORIX_PROGRAM, {"prefs", "show"},
      {"XDG_CONFIG_HOME=" + (temp / "xdg"), "HOME=" + temp.path()}, work);
  ASSERT_EQ(show.exitCode, 0);
  std::string stage = std::filesystem::canonical(QUORIX_STAGE_DIR).string();
  EXPECT_EQ(valueOf(show.out, "Preferences saved to").rfind(stage, 0), 0u) << show.out;
}

}  // namespace
}  // namespace quorix
