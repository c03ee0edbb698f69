#include <gtest/gtest.h>

#include <filesystem>

#include "platform/dynamic_library.h"
#include "tests/support/temp_folder.h"

namespace quorix::platform {
namespace {

TEST(DynamicLibrary, LoadsALibraryAndFindsOnlyItsExports) {
  DynamicLibrary library;
  ASSERT_TRUE(library.open(TEST_MODULE_PATH)) << library.error();
  auto* answer = static_cast<int*>(library.symbol("testModuleAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(*answer, 42);
  auto twice = reinterpret_cast<int (*)(int)>(library.symbol("testModuleTwice"));
  ASSERT_NE(twice, nullptr);
  EXPECT_EQ(twice(21), 42);
  EXPECT_EQ(library.symbol("testModuleHidden"), nullptr);
  EXPECT_EQ(library.symbol("noSuchSymbol"), nullptr);

  std::string folder = folderOfLoadedFile(answer);
  EXPECT_EQ(folder, std::filesystem::canonical(TEST_MODULE_PATH).parent_path().string() + "/");

  DynamicLibrary moved = std::move(library);
  EXPECT_FALSE(library.isOpen());
  EXPECT_TRUE(moved.isOpen());
  moved.close();
  EXPECT_FALSE(moved.isOpen());
  EXPECT_EQ(moved.symbol("testModuleAnswer"), nullptr);
}

TEST(DynamicLibrary, ExportedSymbolSizeIsTheDeclaredSizeOfASymbolStart) {
  DynamicLibrary library;
  ASSERT_TRUE(library.open(TEST_MODULE_PATH)) << library.error();
  auto* block = static_cast<char*>(library.symbol("testModuleBlock"));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(exportedSymbolSize(block), 100u);
  EXPECT_EQ(exportedSymbolSize(library.symbol("testModuleAnswer")), sizeof(int));
  EXPECT_EQ(exportedSymbolSize(block + 1), 0u);  // inside a symbol, not at its start
  int onTheStack = 0;
  EXPECT_EQ(exportedSymbolSize(&onTheStack), 0u);
  EXPECT_EQ(exportedSymbolSize(nullptr), 0u);
}

TEST(DynamicLibrary, FilesThatAreNotLibrariesFailWithAReason) {
  testing::TempFolder temp;
  std::string text = temp.write("notes.kpl", "this is not a library");
  std::string empty = temp.write("empty.kpl", "");
  std::string folder = temp.makeFolder("folder.kpl");
  std::filesystem::create_symlink(temp / "gone.so", temp / "broken.kpl");
  for (const std::string& path : {text, empty, folder, temp / "broken.kpl", temp / "missing.kpl"}) {
    DynamicLibrary library;
    EXPECT_FALSE(library.open(path)) << path;
    EXPECT_FALSE(library.error().empty()) << path;
    EXPECT_EQ(library.symbol("main"), nullptr);
  }
}

TEST(DynamicLibrary, FolderOfAnAddressInNoFileIsEmpty) {
  int onTheStack = 0;
  EXPECT_EQ(folderOfLoadedFile(&onTheStack), "");
}

}  // namespace
}  // namespace quorix::platform
