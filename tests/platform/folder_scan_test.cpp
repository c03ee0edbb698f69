#include <gtest/gtest.h>
#include <dirent.h>

#include <algorithm>
#include <filesystem>

#include "platform/folder_scan.h"
#include "tests/support/temp_folder.h"

namespace quorix::platform {
namespace {

std::vector<std::string> relative(const testing::TempFolder& temp,
                                  const std::vector<std::string>& paths) {
  std::vector<std::string> out;
  for (const std::string& p : paths) out.push_back(p.substr(temp.path().size() + 1));
  return out;
}

// Names of a folder's entries in the order the system lists them.
std::vector<std::string> listing(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  while (dirent* entry = readdir(dir)) names.push_back(entry->d_name);
  closedir(dir);
  return names;
}

TEST(FolderScan, FilesOfAFolderComeBeforeItsSubfoldersDepthFirst) {
  testing::TempFolder temp;
  temp.write("a.qrx", "");
  temp.write("b.QRX", "");
  temp.write("notes.txt", "");
  temp.write("sub/c.qrx", "");
  temp.write("sub/deeper/d.qrx", "");
  temp.write("sub2/e.Qrx", "");
  temp.makeFolder("folder.qrx");  // a folder is never an entry, whatever its name

  auto found = relative(temp, scanFolder(temp.path(), "*.qrx", 60));
  ASSERT_EQ(found.size(), 5u);
  // The two files of the top folder first, in listing order.
  std::vector<std::string> top(found.begin(), found.begin() + 2);
  std::vector<std::string> expectedTop;
  for (const std::string& name : listing(temp.path())) {
    if (name == "a.qrx" || name == "b.QRX") expectedTop.push_back(name);
  }
  EXPECT_EQ(top, expectedTop);
  // A subfolder's own files come before its subfolders'.
  auto at = [&](const std::string& name) {
    return std::find(found.begin(), found.end(), name) - found.begin();
  };
  EXPECT_LT(at("sub/c.qrx"), at("sub/deeper/d.qrx"));
  EXPECT_LT(at("a.qrx"), at("sub2/e.Qrx"));
}

TEST(FolderScan, RoomLimitsTheEntries) {
  testing::TempFolder temp;
  for (int i = 0; i < 70; ++i) temp.write("v" + std::to_string(i) + ".qrx", "");
  temp.write("sub/late.qrx", "");
  auto found = scanFolder(temp.path(), "*.qrx", 60);
  EXPECT_EQ(found.size(), 60u);
  EXPECT_TRUE(std::none_of(found.begin(), found.end(),
                           [](const std::string& p) { return p.find("/sub/") != std::string::npos; }));
  EXPECT_TRUE(scanFolder(temp.path(), "*.qrx", 0).empty());
}

TEST(FolderScan, LinksBackToAParentDoNotLoopAndTheCurrentDirectoryStays) {
  testing::TempFolder temp;
  temp.write("top.kpl", "");
  temp.write("sub/inner.kpl", "");
  std::filesystem::create_directory_symlink(temp.path(), temp / "sub/loop");
  auto before = std::filesystem::current_path();
  auto found = relative(temp, scanFolder(temp.path(), "*.kpl", 100));
  EXPECT_EQ(std::filesystem::current_path(), before);
  EXPECT_EQ(found.size(), 2u);
}

TEST(FolderScan, MissingOrUnenterableFoldersAddNothing) {
  testing::TempFolder temp;
  EXPECT_TRUE(scanFolder(temp / "missing", "*.kpl", 100).empty());
  std::string file = temp.write("plain.kpl", "");
  EXPECT_TRUE(scanFolder(file, "*.kpl", 100).empty());
}

TEST(FolderScan, PatternsIgnoreLetterCase) {
  EXPECT_TRUE(matchesPattern("Demo.QRX", "*.qrx"));
  EXPECT_TRUE(matchesPattern("memo.kpl", "*.kpl"));
  EXPECT_FALSE(matchesPattern("memo.kpl.bak", "*.kpl"));
  EXPECT_FALSE(matchesPattern("qrx", "*.qrx"));
}

}  // namespace
}  // namespace quorix::platform
