#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "common/json.h"
#include "tests/document/document_fixture.h"
#include "tests/document/synth_test_support.h"
#include "tests/support/run_program.h"

namespace quorix {
namespace {

using testing::ProgramResult;
using testing::readFile;

class DocumentCli : public ::testing::Test {
 protected:
  testing::TempFolder temp;

  ProgramResult quorix(const std::vector<std::string>& args) {
    return testing::runProgram(QUORIX_PROGRAM, args, {}, temp.path());
  }
  Json json(const ProgramResult& result) {
    std::string error;
    std::optional<Json> parsed = Json::parse(result.out, &error);
    EXPECT_TRUE(parsed) << error << "\n" << result.err;
    return parsed ? *parsed : Json();
  }
  std::vector<std::string> folderNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(temp.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

// Every member of `expected` (recursively; arrays element by element, a Patch's keys by their
// number since a description may list only some) has the same value in `actual`; "file"
// members name files whose bytes must be equal. Differences are listed.
void expectContains(const Json& expected, const Json& actual, const std::string& expectedFolder,
                    const std::string& actualFolder, const std::string& where) {
  if (expected.isObject()) {
    for (const Json::Member& member : expected.members()) {
      const std::string at = where + "." + member.first;
      if (member.first == "file") {
        EXPECT_EQ(readFile(expectedFolder + "/" + member.second.asString()),
                  readFile(actualFolder + "/" + actual["file"].asString())) << at;
        continue;
      }
      ASSERT_TRUE(actual.has(member.first)) << at;
      expectContains(member.second, actual[member.first], expectedFolder, actualFolder, at);
    }
  } else if (expected.isArray() && where.size() > 5 && where.substr(where.size() - 5) == ".keys") {
    for (const Json& key : expected.items()) {
      size_t number = static_cast<size_t>(key["key"].asInteger());
      ASSERT_LT(number, actual.size()) << where;
      expectContains(key, actual[number], expectedFolder, actualFolder,
                     where + "[" + std::to_string(number) + "]");
    }
  } else if (expected.isArray()) {
    ASSERT_TRUE(actual.isArray()) << where;
    ASSERT_EQ(expected.size(), actual.size()) << where;
    for (size_t i = 0; i < expected.size(); ++i) {
      expectContains(expected[i], actual[i], expectedFolder, actualFolder,
                     where + "[" + std::to_string(i) + "]");
    }
  } else if (!(expected.isString() && expected.asString() == "default")) {
    EXPECT_EQ(expected.dump(), actual.dump()) << where;
  }
}

TEST_F(DocumentCli, TheSampleVisualReadsBackAsItsDescriptionSays) {
  const std::string sample = QUORIX_SAMPLE_DIR;
  ProgramResult made = quorix({"make", sample + "/sample.json", "-o", "sample.qrx"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  // The build made the same file into the stage folder.
  EXPECT_EQ(readFile(temp / "sample.qrx"), readFile(std::string(QUORIX_STAGE_DIR) + "/sample.qrx"));

  ProgramResult info = quorix({"info", "sample.qrx", "--json", "--extract", "out"});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  EXPECT_EQ(info.err, "");
  Json described = json(info);
  std::optional<Json> source = Json::parse(readFile(sample + "/sample.json"));
  ASSERT_TRUE(source);
  expectContains(*source, described, sample, temp / "out", "sample");
  EXPECT_EQ(described["colorTable"]["entries"].size(), 256u);

  // What info describes, make makes again: the same JSON but for the chunks, the same bytes.
  temp.write("out/visual.json", info.out);
  ProgramResult again = quorix({"make", "out/visual.json", "-o", "again.qrx"});
  ASSERT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(readFile(temp / "again.qrx"), readFile(temp / "sample.qrx"));
  ProgramResult verify = quorix({"verify", "again.qrx"});
  EXPECT_EQ(verify.exitCode, 0) << verify.err;
  EXPECT_EQ(verify.out, "again.qrx: sound\n");
}

TEST_F(DocumentCli, InfoSummarisesWhatAVisualHolds) {
  testing::writeRichSynth(temp / "rich.qrx");
  ProgramResult info = quorix({"info", "rich.qrx"});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  for (const char* line : {"rich.qrx: 18 chunks (0 freed)",
                           "Synth version 7, 320 x 240 pixels, 8 bits, 2 transparency level(s)",
                           "  3 \"Intro\": 4 key(s) used",
                           "    key 61: movie 1 effect 9 '474c4153', placement (0, 0)-(0, 0), layer 1",
                           "  5 \"F\xC3\xAAte finale\": 1 key(s) used",
                           "  1 \"Caf\xC3\xA9\": 40 x 20, PICT, no data",
                           "  0 \"C:\\Movies\\clip.mov\" on \"Disk\", frame (2, 1)-(4, 3)",
                           "Transparency tables: 300 bytes", "  id 2 'TAsh': 3 bytes",
                           "  0 \"Main\": 3 of 8 events, 0:01.00 long", "Window placements: 2"}) {
    EXPECT_NE(info.out.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << info.out;
  }
}

TEST_F(DocumentCli, DamagedFilesAreReportedAndNeverWritten) {
  std::string bytes = readFile(testing::writeRichSynth(temp / "rich.qrx"));
  struct Case {
    const char* name;
    std::string bytes;
    const char* error;
  } cases[] = {
      {"cut.qrx", bytes.substr(0, 7000), "Error -5012 : Error while opening file. File not found or damaged."},
      {"junk.qrx", std::string(100, 'j'), "Error -5007 : Error while opening file. File not found or damaged."},
      {"old.qrx", std::string(bytes).replace(84, 2, std::string("\0\6", 2)),
       "This file was created with another version of Kyrel. It can not be opened with this version."},
  };
  for (const Case& c : cases) {
    std::string path = temp.write(c.name, c.bytes);
    for (const char* command : {"info", "verify"}) {
      ProgramResult result = quorix({command, c.name});
      EXPECT_EQ(result.exitCode, 1) << command << " " << c.name;
      EXPECT_EQ(result.err, "quorix: " + std::string(c.name) + ": " + c.error + "\n") << command;
      EXPECT_EQ(result.out, "") << command;
    }
    EXPECT_EQ(readFile(path), c.bytes) << c.name;
  }
  ProgramResult missing = quorix({"info", "missing.qrx", "--json"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("Error -2 : "), std::string::npos);
}

TEST_F(DocumentCli, VerifyListsEveryProblem) {
  temp.write("visual.json", R"({"pictures": [{"name": "nothing"}],
      "patches": [{"number": 0, "keys": [{"key": 1, "media": {"kind": "picture", "index": 3}}]}]})");
  ASSERT_EQ(quorix({"make", "visual.json", "-o", "odd.qrx"}).exitCode, 0);
  ProgramResult verify = quorix({"verify", "odd.qrx"});
  EXPECT_EQ(verify.exitCode, 1);
  EXPECT_EQ(verify.err,
            "quorix: odd.qrx: Patch 0 key 1 names picture 3, which does not exist\n"
            "quorix: odd.qrx: picture 0 has no data\n");
}

TEST_F(DocumentCli, AFailedMakeLeavesNothingBehind) {
  temp.write("good.json", R"({"patches": [{"number": 0}]})");
  temp.write("bad.json", R"({"patches": [{"number": 0, "keys": [{"key": 300}]}]})");
  temp.write("broken.json", R"({"patches": )");
  temp.write("target.qrx", "an older file");
  std::vector<std::string> before = folderNames();
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* error;
  } cases[] = {
      {{"make", "bad.json", "-o", "target.qrx"}, 1,
       "quorix: bad.json: patches[0].keys[0].key: expected an integer from 0 to 127\n"},
      {{"make", "broken.json", "-o", "target.qrx"}, 1, nullptr},
      {{"make", "absent.json", "-o", "target.qrx"}, 1, "quorix: cannot read 'absent.json'\n"},
      {{"make", "good.json", "-o", "no/such/folder/x.qrx"}, 1,
       "quorix: cannot write 'no/such/folder/x.qrx'\n"},
      {{"make", "good.json"}, 2, nullptr},
      {{"make", "good.json", "-o"}, 2, "quorix: -o needs a file\n"},
      {{"info"}, 2, nullptr},
      {{"info", "a.qrx", "b.qrx"}, 2, nullptr},
      {{"verify", "--json", "a.qrx"}, 2, nullptr},
  };
  for (const Case& c : cases) {
    ProgramResult result = quorix(c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.args[1];
    if (c.error != nullptr) {
      EXPECT_EQ(result.err, c.error);
    }
    EXPECT_EQ(folderNames(), before) << c.args[1];
  }
  EXPECT_EQ(readFile(temp / "target.qrx"), "an older file");
  // A read-only output folder: nothing can be written there.
  std::string locked = temp.makeFolder("locked");
  chmod(locked.c_str(), 0555);
  if (access(locked.c_str(), W_OK) != 0) {
    EXPECT_EQ(quorix({"make", "good.json", "-o", "locked/x.qrx"}).exitCode, 1);
  }
  ProgramResult replaced = quorix({"make", "good.json", "-o", "target.qrx"});
  EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
  EXPECT_EQ(quorix({"verify", "target.qrx"}).exitCode, 0);
  struct stat info {};
  stat((temp / "target.qrx").c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0666u & ~[] { mode_t m = umask(0); umask(m); return m; }());
}

TEST_F(DocumentCli, AFullDiskLeavesNeitherAPartialFileNorAChangedOne) {
  const std::string sample = QUORIX_SAMPLE_DIR;
  std::filesystem::copy_file(sample + "/sunrise.bmp", temp / "sunrise.bmp");
  temp.write("big.json", R"({"pictures": [{"name": "sunrise", "file": "sunrise.bmp"}]})");
  temp.write("target.qrx", "an older file");
  std::vector<std::string> before = folderNames();
  ProgramResult result;
  {
    document::ScopedFileSizeLimit limit(100000);  // the picture alone is 230454 bytes
    result = quorix({"make", "big.json", "-o", "target.qrx"});
  }
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "quorix: cannot write 'target.qrx' (error -5013)\n");
  EXPECT_EQ(folderNames(), before);
  EXPECT_EQ(readFile(temp / "target.qrx"), "an older file");
}

TEST_F(DocumentCli, EachCommandExplainsItself) {
  for (const char* command : {"info", "make", "verify"}) {
    ProgramResult help = quorix({command, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind(std::string("Usage: quorix ") + command, 0), 0u) << help.out;
  }
  ProgramResult list = quorix({"--help"});
  for (const char* command : {"info", "make", "verify"}) {
    EXPECT_NE(list.out.find(std::string("  ") + command + " "), std::string::npos) << command;
  }
}

}  // namespace
}  // namespace quorix
