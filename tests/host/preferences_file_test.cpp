#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "host/preferences_file.h"
#include "tests/support/temp_folder.h"

namespace quorix::host {
namespace {

const std::string kFile = "Quorix Visualizer 1_0.prf";

std::string storedBytes(const EnginePreferences& prefs) {
  auto bytes = serializePreferences(prefs);
  return std::string(bytes.begin(), bytes.end());
}

TEST(PreferencesFile, NameComesFromTheLibraryName) {
  EXPECT_EQ(preferencesFileName(), kFile);
}

TEST(PreferencesFile, SaveThenLoadInTheBaseFolder) {
  testing::TempFolder temp;
  PreferencesFile file(temp.path(), temp / "user");
  EnginePreferences prefs;
  prefs.defaultBpm = 140;
  ASSERT_TRUE(file.save(prefs));
  EXPECT_EQ(file.writePath(), temp / kFile);
  EXPECT_EQ(std::filesystem::file_size(temp / kFile), 2908u);
  EXPECT_FALSE(std::filesystem::exists(temp / (kFile + ".new")));

  EnginePreferences read;
  ASSERT_TRUE(file.load(read));
  EXPECT_EQ(read.defaultBpm, 140u);
}

TEST(PreferencesFile, BadFilesGiveDefaultsAndAreNotOverwritten) {
  EnginePreferences wrongVersion;
  wrongVersion.version = 1;
  struct Case {
    const char* what;
    std::string contents;
  } cases[] = {
      {"empty", ""},
      {"2907 bytes", storedBytes(EnginePreferences{}).substr(0, 2907)},
      {"2909 bytes", storedBytes(EnginePreferences{}) + "x"},
      {"wrong version", storedBytes(wrongVersion)},
      {"over a megabyte", std::string((1 << 20) + 1, '\2')},
  };
  for (const Case& c : cases) {
    testing::TempFolder temp;
    std::string path = temp.write(kFile, c.contents);
    PreferencesFile file(temp.path(), "");
    EnginePreferences prefs;
    prefs.sensitivity = 77;
    EXPECT_FALSE(file.load(prefs)) << c.what;
    EXPECT_EQ(prefs.sensitivity, 77u) << c.what;
    EXPECT_EQ(testing::readFile(path), c.contents) << c.what;
  }
}

TEST(PreferencesFile, ADirectoryInThePlaceOfTheFile) {
  testing::TempFolder temp;
  temp.makeFolder(kFile);
  PreferencesFile file(temp.path(), "");
  EnginePreferences prefs;
  EXPECT_FALSE(file.load(prefs));
  EXPECT_FALSE(file.save(prefs));
  EXPECT_TRUE(std::filesystem::is_directory(temp / kFile));
}

TEST(PreferencesFile, AnUnreadableFileGivesDefaults) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  testing::TempFolder temp;
  EnginePreferences stored;
  stored.defaultBpm = 99;
  std::string path = temp.write(kFile, storedBytes(stored));
  chmod(path.c_str(), 0);
  EnginePreferences prefs;
  EXPECT_FALSE(PreferencesFile(temp.path(), "").load(prefs));
  EXPECT_EQ(prefs.defaultBpm, 120u);
}

TEST(PreferencesFile, TheUserFolderServesWhenTheBaseFolderCannotBeWritten) {
  testing::TempFolder temp;
  std::string base = temp / "not-there";  // a base folder nobody can write into
  PreferencesFile file(base, temp / "xdg/quorix");
  EXPECT_EQ(file.writePath(), temp / ("xdg/quorix/" + kFile));
  EnginePreferences prefs;
  prefs.sensitivity = 3;
  ASSERT_TRUE(file.save(prefs));  // creates the user folder
  EXPECT_EQ(file.readPath(), temp / ("xdg/quorix/" + kFile));

  // Once the user folder holds a copy it is read first and written to, even when the base
  // folder could be written.
  temp.makeFolder("base");
  EnginePreferences other;
  other.sensitivity = 9;
  temp.write("base/" + kFile, storedBytes(other));
  PreferencesFile both(temp / "base", temp / "xdg/quorix");
  EnginePreferences read;
  ASSERT_TRUE(both.load(read));
  EXPECT_EQ(read.sensitivity, 3u);
  EXPECT_EQ(both.writePath(), temp / ("xdg/quorix/" + kFile));
}

TEST(PreferencesFile, EngineRecordIsSavedAtReleaseOnlyWhenChanged) {
  testing::TempFolder temp;
  PreferencesFile file(temp.path(), "");
  EnginePreferences& prefs = createPreferences(file);
  EXPECT_EQ(preferencesReadFrom(), "");
  EXPECT_EQ(&createPreferences(file), &prefs);  // created once
  releasePreferences();
  EXPECT_FALSE(std::filesystem::exists(temp / kFile));
  EXPECT_EQ(enginePreferences(), nullptr);

  EnginePreferences& again = createPreferences(file);
  again.beatEffectRatio = 4;
  again.changed = 1;
  releasePreferences();
  EnginePreferences read;
  ASSERT_TRUE(file.load(read));
  EXPECT_EQ(read.beatEffectRatio, 4u);

  EXPECT_EQ(createPreferences(file).beatEffectRatio, 4u);
  EXPECT_EQ(preferencesReadFrom(), temp / kFile);
  releasePreferences();
}

}  // namespace
}  // namespace quorix::host
