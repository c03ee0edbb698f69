#include <gtest/gtest.h>

#include <filesystem>

#include "common/json.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_folder.h"

namespace quorix {
namespace {

using testing::ProgramResult;

class PluginsCli : public ::testing::Test {
 protected:
  std::string add(const std::string& from, const std::string& relative) {
    std::string to = temp / ("plugins/" + relative);
    std::filesystem::create_directories(std::filesystem::path(to).parent_path());
    std::filesystem::copy_file(from, to);
    return to;
  }
  ProgramResult quorix(std::vector<std::string> args) {
    return testing::runProgram(QUORIX_PROGRAM, args, {"XDG_CONFIG_HOME=" + (temp / "xdg")},
                               temp.path());
  }

  testing::TempFolder temp;
  std::string test = TEST_PLUGIN_DIR "/";
  std::string stage = QUORIX_STAGE_DIR "/";
};

TEST_F(PluginsCli, ListsEveryRecordAsJson) {
  add(test + "effect.so", "a.kpl");
  add(test + "plain_effect.so", "sub/b.kpl");
  add(test + "importer.so", "i.kpl");
  add(stage + "memo.kpl", "memo.kpl");
  add(test + "anonymous_service.so", "sub/deeper/anonymous.kpl");
  add(test + "failing_service.so", "sub/deeper/more/failing.kpl");
  add(test + "no_entry.so", "none.kpl");
  temp.write("plugins/notes.kpl", "not a library");

  ProgramResult result = quorix({"plugins", "--dir", temp / "plugins", "--json"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::string error;
  auto json = Json::parse(result.out, &error);
  ASSERT_TRUE(json) << error << "\n" << result.out;

  auto expected = Json::parse(R"({
    "effects": [
      {"file": "sub/b.kpl", "type": "PLAN", "serviceId": null, "published": null, "memoryBound": false},
      {"file": "a.kpl", "type": "TEST", "serviceId": null, "published": null, "memoryBound": true}
    ],
    "importers": [
      {"file": "i.kpl", "type": "FI/O", "serviceId": null, "published": null, "memoryBound": null}
    ],
    "services": [
      {"file": "sub/deeper/more/failing.kpl", "type": "SERV", "serviceId": 0, "published": false,
       "memoryBound": null},
      {"file": "sub/deeper/anonymous.kpl", "type": "SERV", "serviceId": 0, "published": false,
       "memoryBound": null},
      {"file": "memo.kpl", "type": "SERV", "serviceId": "MEMO", "published": true, "memoryBound": null}
    ]
  })");
  EXPECT_EQ(json->dump(2), expected->dump(2));

  ProgramResult text = quorix({"plugins", "--dir", temp / "plugins"});
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("sub/deeper/more/failing.kpl  type 'SERV'  id 0x00000000  not published  "
                          "start result -3"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("  memo.kpl                     type 'SERV'  id 'MEMO'  published  "
                          "start result 0\n"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("\"gMemoryService\" bound into: a.kpl\n"), std::string::npos) << text.out;
}

TEST_F(PluginsCli, TheBaseFolderHoldsTheCompanionServices) {
  ProgramResult result = quorix({"plugins", "--json"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  auto json = Json::parse(result.out);
  ASSERT_TRUE(json);
  std::set<std::string> published;
  for (const Json& service : (*json)["services"].items()) {
    if (service["published"].asBool()) published.insert(service["serviceId"].asString());
  }
  EXPECT_TRUE(published.count("MEMO")) << result.out;
  EXPECT_TRUE(published.count("MATH")) << result.out;

  // --base-folder moves the default folder.
  temp.makeFolder("empty");
  ProgramResult empty = quorix({"--base-folder", temp / "empty", "plugins", "--json"});
  EXPECT_EQ(empty.exitCode, 0);
  EXPECT_EQ(Json::parse(empty.out), Json::parse(R"({"effects":[],"importers":[],"services":[]})"));
}

TEST_F(PluginsCli, BadCommandLinesAndFolders) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
  };
  temp.write("file.txt", "");
  for (const Case& c : {Case{{"plugins", "--dir"}, 2}, Case{{"plugins", "--frobnicate"}, 2},
                        Case{{"plugins", "extra"}, 2},
                        Case{{"plugins", "--dir", temp / "missing"}, 1},
                        Case{{"plugins", "--dir", temp / "file.txt"}, 1},
                        Case{{"plugins", "--help"}, 0}}) {
    ProgramResult result = quorix(c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.args.back();
    if (c.exitCode != 0) {
      EXPECT_EQ(result.err.rfind("quorix: ", 0), 0u) << result.err;
      EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
  }
}

}  // namespace
}  // namespace quorix
