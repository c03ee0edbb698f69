#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "common/memory.h"
#include "document/chunk_file.h"
#include "platform/alert_sink.h"
#include "plugin_sdk/status_codes.h"
#include "tests/document/document_fixture.h"
#include "tests/document/synth_test_support.h"
#include "tests/support/temp_folder.h"

namespace quorix::document {
namespace {

using testing::be32;
using testing::chunkFileBytes;
using testing::RawChunk;
using testing::readFile;
using testing::TempFolder;

// The directory as (type, id, used, allocated, offset) lines, for readable comparisons.
std::vector<std::string> directoryOf(const ChunkFile& file) {
  std::vector<std::string> lines;
  for (int32_t i = 0; i < file.chunkCount(); ++i) {
    const ChunkEntry& e = file.entry(i);
    std::string type = e.type == kFreedChunk ? "----" : fourccText(e.type);
    lines.push_back(type + " " + std::to_string(e.id) + " " + std::to_string(e.used) + " " +
                    std::to_string(e.allocated) + " @" + std::to_string(e.offset));
  }
  return lines;
}

std::string dataOf(ChunkFile& file, const char (&type)[5], uint32_t id) {
  std::optional<ChunkStream> stream = file.openForRead(fourcc(type), id);
  if (!stream) return "<none>";
  return std::string(reinterpret_cast<const char*>(stream->data()), stream->size());
}

class RecordingProgress : public ProgressReporter {
 public:
  void begin(const std::string& title, int range) override {
    this->title = title;
    this->range = range;
  }
  void advance() override { ++steps; }
  void end() override { ended = true; }
  std::string title;
  int range = 0;
  int steps = 0;
  bool ended = false;
};

class ChunkFileTest : public ::testing::Test {
 protected:
  TempFolder temp;
  platform::RecordingAlertSink alerts;
  platform::ScopedAlertSink scopedAlerts{alerts};
};

TEST_F(ChunkFileTest, AnEmptyFileOpenedForWritingBecomesOneHeaderChunk) {
  std::string path = temp.write("new.qrx", "");
  ChunkFile file;
  ASSERT_EQ(file.open(path, true, true), QX_OK);
  EXPECT_EQ(file.close(true), QX_OK);
  const uint8_t expected[] = {0x42, 0x4C, 0x4F, 0x42, 0, 0, 0, 0, 0, 0, 0, 0x44, 0, 0, 0, 0x44,
                              0x62, 0x6C, 0x6F, 0x62, 0, 0, 0, 1};
  std::string bytes = readFile(path);
  ASSERT_EQ(bytes.size(), 68u);
  EXPECT_EQ(bytes.substr(0, 24), std::string(reinterpret_cast<const char*>(expected), 24));
  EXPECT_EQ(bytes.substr(24), std::string(44, '\0'));

  // A missing file is created the same way when creating is allowed, and not otherwise.
  ChunkFile created;
  EXPECT_EQ(created.open(temp / "missing.qrx", true, true), QX_OK);
  created.close(true);
  EXPECT_EQ(readFile(temp / "missing.qrx"), bytes);
  ChunkFile reader;
  EXPECT_EQ(reader.open(temp / "absent.qrx", false, false), QX_ERR_OPEN_FAILED);
  EXPECT_EQ(reader.open("", false, false), QX_ERR_NO_PATH);
}

TEST_F(ChunkFileTest, DamagedDirectoriesAreRefusedWithTheirCodes) {
  std::string good = chunkFileBytes({{"SYTH", 0, "abcd"}});
  std::string wrongUsed = good;
  wrongUsed.replace(8, 4, be32(69));
  std::string wrongType = good;
  wrongType.replace(0, 4, "BLOC");
  std::string wrongId = good;
  wrongId.replace(4, 4, be32(1));
  struct Case {
    const char* name;
    std::string bytes;
    int32_t code;
  } cases[] = {
      {"shorter than a chunk header", good.substr(0, 15), QX_ERR_READ_FIRST_HEADER},
      {"empty, opened for reading", "", QX_ERR_READ_FIRST_HEADER},
      {"header chunk not 68 bytes", wrongUsed, QX_ERR_HEADER_CHUNK_SIZE},
      {"not a chunk file at all", std::string(200, 'x'), QX_ERR_HEADER_CHUNK_SIZE},
      {"header chunk of another type", wrongType, QX_ERR_HEADER_CHUNK_TYPE},
      {"header chunk with id 1", wrongId, QX_ERR_HEADER_CHUNK_TYPE},
      {"header chunk data cut", good.substr(0, 40), QX_ERR_HEADER_CHUNK_DATA},
      {"count 0", chunkFileBytes({}, 0), QX_ERR_CHUNK_COUNT_ZERO},
      {"negative count", chunkFileBytes({}, 0x80000000), QX_ERR_CHUNK_COUNT_ZERO},
      {"count 10001", chunkFileBytes({}, 10001), QX_ERR_CHUNK_COUNT_HUGE},
      {"count past the chunks", chunkFileBytes({{"SYTH", 0, "abcd"}}, 3), QX_ERR_READ_CHUNK_HEADER},
      {"chunk header cut", good.substr(0, 68 + 10), QX_ERR_READ_CHUNK_HEADER},
  };
  for (const Case& c : cases) {
    std::string path = temp.write("damaged.qrx", c.bytes);
    ChunkFile file;
    EXPECT_EQ(file.open(path, false, false), c.code) << c.name;
    EXPECT_FALSE(file.isOpen()) << c.name;
    EXPECT_EQ(readFile(path), c.bytes) << c.name;
  }
  // 10000 chunks are allowed.
  std::vector<RawChunk> many(9999, RawChunk{"DATA", 0, ""});
  ChunkFile file;
  EXPECT_EQ(file.open(temp.write("many.qrx", chunkFileBytes(many)), false, false), QX_OK);
  EXPECT_EQ(file.chunkCount(), 10000);
  EXPECT_EQ(file.verify(), QX_OK);
}

TEST_F(ChunkFileTest, TheConsistencyCheckFindsEachKindOfDamage) {
  auto withHeader = [](std::string bytes, size_t at, uint32_t value) {
    bytes.replace(at, 4, be32(value));
    return bytes;
  };
  std::string good = chunkFileBytes({{"SYTH", 0, "abcd", 4}, {"PTCH", 0, "xy"}});
  // The second chunk starts at 68 + 24.
  struct Case {
    const char* name;
    std::string bytes;
    int32_t code;
  } cases[] = {
      {"sound", good, QX_OK},
      {"used beyond 2^31", withHeader(good, 68 + 8, 0x80000010), QX_ERR_VERIFY_USED},
      {"used below a header", withHeader(good, 68 + 8, 15), QX_ERR_VERIFY_USED},
      {"allocated beyond 2^31", withHeader(good, 92 + 12, 0x80000000), QX_ERR_VERIFY_ALLOCATED},
      {"used over allocated", withHeader(good, 92 + 8, 19), QX_ERR_VERIFY_USED_OVER},
      {"freed chunk with no room", chunkFileBytes({{"", 0, "", 0, 0, 8}, {"SYTH", 0, ""}}),
       QX_ERR_VERIFY_ALLOCATED},
      {"tag changed on disk", good, QX_ERR_VERIFY_HEADER_CHUNK},
      {"chunk header changed on disk", good, QX_ERR_VERIFY_CHUNK_HEADER},
  };
  for (const Case& c : cases) {
    std::string path = temp.write("check.qrx", c.bytes);
    ChunkFile file;
    ASSERT_EQ(file.open(path, false, false), QX_OK) << c.name;
    // The last two change the disk behind the open file's back.
    if (c.code == QX_ERR_VERIFY_HEADER_CHUNK) temp.write("check.qrx", withHeader(c.bytes, 16, 0));
    if (c.code == QX_ERR_VERIFY_CHUNK_HEADER) temp.write("check.qrx", withHeader(c.bytes, 92 + 4, 9));
    EXPECT_EQ(file.verify(), c.code) << c.name;
  }
}

TEST_F(ChunkFileTest, RewrittenChunksStayMoveOrShrinkByTheirNewSize) {
  std::string path = temp / "rewrite.qrx";
  ChunkFile file;
  ASSERT_EQ(file.open(path, true, true), QX_OK);
  ASSERT_EQ(file.writeChunk(fourcc("AAAA"), 0, "12345678", 8), QX_OK);
  ASSERT_EQ(file.writeChunk(fourcc("BBBB"), 0, "bb", 2), QX_OK);
  EXPECT_EQ(directoryOf(file), (std::vector<std::string>{"BLOB 0 68 68 @0", "AAAA 0 24 24 @68",
                                                        "BBBB 0 18 18 @92"}));
  // Same size: in place. Smaller: in place with a smaller `used`.
  ASSERT_EQ(file.writeChunk(fourcc("AAAA"), 0, "abcdefgh", 8), QX_OK);
  ASSERT_EQ(file.writeChunk(fourcc("AAAA"), 0, "xyz", 3), QX_OK);
  EXPECT_EQ(directoryOf(file), (std::vector<std::string>{"BLOB 0 68 68 @0", "AAAA 0 19 24 @68",
                                                        "BBBB 0 18 18 @92"}));
  EXPECT_EQ(dataOf(file, "AAAA", 0), "xyz");
  // Larger, even within its allocation: freed and moved to the end.
  ASSERT_EQ(file.writeChunk(fourcc("AAAA"), 0, "12345", 5), QX_OK);
  EXPECT_EQ(directoryOf(file),
            (std::vector<std::string>{"BLOB 0 68 68 @0", "---- 0 0 24 @68", "BBBB 0 18 18 @92",
                                      "AAAA 0 21 21 @110"}));
  EXPECT_EQ(dataOf(file, "AAAA", 0), "12345");
  EXPECT_EQ(file.verify(), QX_OK);

  // Reopened, the file says the same.
  file.close(false);
  ChunkFile again;
  ASSERT_EQ(again.open(path, false, false), QX_OK);
  EXPECT_EQ(again.chunkCount(), 4);
  EXPECT_EQ(dataOf(again, "AAAA", 0), "12345");
  EXPECT_EQ(dataOf(again, "BBBB", 0), "bb");
}

TEST_F(ChunkFileTest, ClosingWithCommitCompactsFreedAndShrunkChunks) {
  std::string path = temp / "compact.qrx";
  std::string big(250000, 'q');  // more than two copy blocks
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  {
    ChunkFile file;
    ASSERT_EQ(file.open(path, true, true), QX_OK);
    file.writeChunk(fourcc("KEEP"), 0, "kept", 4);
    file.writeChunk(fourcc("GROW"), 0, "g", 1);
    file.writeChunk(fourcc("BIGG"), 0, big.data(), static_cast<uint32_t>(big.size()));
    file.writeChunk(fourcc("SHRK"), 0, "long data", 9);
    file.writeChunk(fourcc("GROW"), 0, "grown", 5);   // frees its first place
    file.writeChunk(fourcc("SHRK"), 0, "short", 5);   // leaves slack
    ASSERT_EQ(file.freeChunk(fourcc("KEEP"), 0), QX_OK);
    EXPECT_EQ(file.freeChunk(fourcc("NONE"), 0), QX_ERR_FREE_NOT_FOUND);
    RecordingProgress progress;
    EXPECT_EQ(file.close(true, &progress), QX_OK);
    EXPECT_EQ(progress.title, "Closing File");
    EXPECT_EQ(progress.range, 4);
    EXPECT_EQ(progress.steps, 3);  // everything after the unchanged header chunk moved
    EXPECT_TRUE(progress.ended);
  }
  ChunkFile file;
  ASSERT_EQ(file.open(path, false, false), QX_OK);
  EXPECT_EQ(directoryOf(file),
            (std::vector<std::string>{"BLOB 0 68 68 @0", "BIGG 0 250016 250016 @68",
                                      "SHRK 0 21 21 @250084", "GROW 0 21 21 @250105"}));
  EXPECT_EQ(dataOf(file, "BIGG", 0), big);
  EXPECT_EQ(dataOf(file, "SHRK", 0), "short");
  EXPECT_EQ(dataOf(file, "GROW", 0), "grown");
  EXPECT_EQ(file.verify(), QX_OK);
  // The file is not truncated: what lies past the last chunk is ignored.
  EXPECT_GT(file.fileSize(), 250126u);
}

TEST_F(ChunkFileTest, AFileWithNothingToCompactIsNotRewritten) {
  std::string bytes = chunkFileBytes({{"AAAA", 0, "data"}, {"BBBB", 3, "more"}});
  std::string path = temp.write("tidy.qrx", bytes);
  std::filesystem::last_write_time(path, std::filesystem::file_time_type{});
  ChunkFile file;
  ASSERT_EQ(file.open(path, true, true), QX_OK);
  RecordingProgress progress;
  EXPECT_EQ(file.close(true, &progress), QX_OK);
  EXPECT_EQ(progress.range, 0);
  EXPECT_EQ(readFile(path), bytes);
}

TEST_F(ChunkFileTest, AFileOpenedForReadingIsNeverWritten) {
  std::string bytes = chunkFileBytes({{"AAAA", 0, "data", 10}, {"", 0, "", 0, 0, 30}});
  std::string path = temp.write("read.qrx", bytes);
  ChunkFile file;
  ASSERT_EQ(file.open(path, false, false), QX_OK);
  EXPECT_TRUE(file.readOnly());
  EXPECT_FALSE(file.openForWrite(fourcc("AAAA"), 0, 2));
  EXPECT_EQ(file.writeChunk(fourcc("CCCC"), 0, "x", 1), QX_ERR_WRITE_FAILED);
  EXPECT_LT(file.addChunk(fourcc("CCCC"), 0, 1), 0);
  EXPECT_EQ(file.freeChunk(fourcc("AAAA"), 0), QX_ERR_FREE_WRITE);
  EXPECT_EQ(file.close(true), QX_OK);
  EXPECT_EQ(readFile(path), bytes);

  // A file with the read-only attribute is not opened for writing, even by root.
  chmod(path.c_str(), 0444);
  ChunkFile writer;
  EXPECT_EQ(writer.open(path, true, true), QX_ERR_OPEN_FAILED);
  EXPECT_EQ(writer.open(path, false, true), QX_ERR_OPEN_FAILED);
  EXPECT_EQ(readFile(path), bytes);
}

TEST_F(ChunkFileTest, ChunkReadsStayWithinTheChunkAndTheFile) {
  // The second chunk claims more data than the file holds.
  std::string bytes = chunkFileBytes({{"AAAA", 0, "abcdef"}, {"CUTS", 0, "xy", 0, 1000, 1000}});
  std::string path = temp.write("reads.qrx", bytes);
  ChunkFile file;
  ASSERT_EQ(file.open(path, false, false), QX_OK);
  char buffer[8] = {};
  EXPECT_EQ(file.readChunkPrefix(fourcc("AAAA"), 0, buffer, 4), QX_OK);
  EXPECT_EQ(std::string(buffer, 4), "abcd");
  EXPECT_EQ(file.readChunkPrefix(fourcc("AAAA"), 0, buffer, 7), QX_ERR_READ_PREFIX);
  EXPECT_EQ(file.readChunkPrefix(fourcc("NONE"), 0, buffer, 1), QX_ERR_READ_PREFIX);
  EXPECT_EQ(file.readChunkPrefix(fourcc("CUTS"), 0, buffer, 1), QX_ERR_READ_PREFIX);
  int32_t error = 0;
  MemHandle whole = file.readChunkWhole(fourcc("AAAA"), 0, &error);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(std::string(static_cast<char*>(whole->data), whole->size), "abcdef");
  disposeHandle(whole);
  EXPECT_EQ(file.readChunkWhole(fourcc("CUTS"), 0, &error), nullptr);
  EXPECT_EQ(error, QX_ERR_READ_WHOLE);
  EXPECT_FALSE(file.openForRead(fourcc("CUTS"), 0));
  EXPECT_EQ(file.find(fourcc("NONE"), 0), QX_ERR_CHUNK_NOT_FOUND);
  EXPECT_EQ(file.dataSize(1), 6u);
}

TEST_F(ChunkFileTest, RunningOutOfMemoryGivesTheDirectoryCodes) {
  std::string bytes = chunkFileBytes({{"AAAA", 0, "data"}});
  std::string path = temp.write("memory.qrx", bytes);
  {
    ChunkFile file;
    ScopedAllocationFailure failure(0);
    EXPECT_EQ(file.open(path, false, false), QX_ERR_DIRECTORY_CREATE);
    EXPECT_EQ(memoryError(), QX_ERR_MEMORY);
  }
  ChunkFile file;
  ASSERT_EQ(file.open(path, true, true), QX_OK);
  {
    ScopedAllocationFailure failure(1);  // the stream's buffer, then not the directory
    EXPECT_FALSE(file.openForWrite(fourcc("BBBB"), 0, 4));
  }
  EXPECT_EQ(file.chunkCount(), 2);
  {
    ScopedAllocationFailure failure(0);
    EXPECT_EQ(file.addChunk(fourcc("BBBB"), 0, 4), QX_ERR_DIRECTORY_GROW);
    // A chunk that cannot get its buffer keeps its old data.
    EXPECT_FALSE(file.openForWrite(fourcc("AAAA"), 0, 100));
  }
  EXPECT_EQ(dataOf(file, "AAAA", 0), "data");
  EXPECT_EQ(file.verify(), QX_OK);
  EXPECT_EQ(file.close(true), QX_OK);
  EXPECT_EQ(readFile(path), bytes);
}

TEST_F(ChunkFileTest, WriteFailuresAreReportedByTheOperationThatMadeThem) {
  std::string path = temp / "full.qrx";
  ChunkFile file;
  ASSERT_EQ(file.open(path, true, true), QX_OK);
  ASSERT_EQ(file.writeChunk(fourcc("KEEP"), 0, std::string(100, 'k').data(), 100), QX_OK);
  ASSERT_EQ(file.writeChunk(fourcc("LAST"), 0, "last", 4), QX_OK);  // at 184
  {
    ScopedFileSizeLimit limit(200);
    EXPECT_EQ(file.freeChunk(fourcc("KEEP"), 0), QX_OK);  // its header lies within the limit
    EXPECT_EQ(file.writeChunk(fourcc("DATA"), 0, std::string(40, 'd').data(), 40),
              QX_ERR_WRITE_FAILED);                       // header at 204 fails
    EXPECT_EQ(file.chunkCount(), 3);                      // not added
    EXPECT_EQ(file.lastError(), QX_ERR_SHORT_WRITE);
  }
  {
    ScopedFileSizeLimit limit(190);
    EXPECT_EQ(file.freeChunk(fourcc("LAST"), 0), QX_ERR_FREE_WRITE);
    EXPECT_EQ(file.addChunk(fourcc("MORE"), 0, 4), QX_ERR_CHUNK_HEADER_WRITE);
  }
  {
    ScopedFileSizeLimit limit(220);
    EXPECT_EQ(file.writeChunk(fourcc("DATA"), 0, std::string(40, 'd').data(), 40),
              QX_ERR_WRITE_FAILED);  // header at 204 written, data cut at 220
  }
  // A file that had a write error is closed without compaction.
  std::string before = readFile(path);
  EXPECT_EQ(file.close(true), QX_OK);
  EXPECT_EQ(readFile(path), before);
  EXPECT_EQ(alerts.entries.size(), 0u);

  // Not even the header chunk of a new file can be written on a full device.
  ChunkFile full;
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_EQ(full.open("/dev/full", true, true), QX_ERR_HEADER_CHUNK_WRITE);
  }
}

TEST_F(ChunkFileTest, CompactionThatRunsOutOfMemoryIsReported) {
  std::string path = temp / "tight.qrx";
  ChunkFile file;
  ASSERT_EQ(file.open(path, true, true), QX_OK);
  file.writeChunk(fourcc("AAAA"), 0, "a", 1);
  file.writeChunk(fourcc("AAAA"), 0, "aaaa", 4);
  std::string before = readFile(path);
  {
    ScopedAllocationFailure failure(0);
    EXPECT_EQ(file.close(true), QX_ERR_DIRECTORY_GROW_2);
  }
  ASSERT_EQ(alerts.entries.size(), 1u);
  EXPECT_EQ(alerts.entries[0].text, "Error -5003 : Fatal error accessing disk volume!");
  EXPECT_EQ(readFile(path), before);
}

TEST(ChunkStreamTest, FieldsThatDoNotFitAreSkippedWithoutMovingTheCursor) {
  auto* buffer = static_cast<uint8_t*>(engineAllocateZeroed(7));
  const uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE};
  std::memcpy(buffer, bytes, sizeof bytes);
  ChunkStream in(ChunkStream::Mode::Read, 1, buffer, 7);
  uint32_t word = 0;
  in.field(word);
  EXPECT_EQ(word, 0x12345678u);
  uint32_t tooLong = 99;
  in.field(tooLong);  // three bytes left
  EXPECT_EQ(tooLong, 99u);
  EXPECT_EQ(in.cursor(), 4u);
  char field[4] = {'k', 'e', 'e', 'p'};
  in.bytes(field, 4);
  EXPECT_EQ(std::string(field, 4), "keep");
  int16_t half = 0;
  in.field(half);  // still fits
  EXPECT_EQ(half, static_cast<int16_t>(0x9ABC));
  uint8_t last = 0;
  in.field(last);
  EXPECT_EQ(last, 0xDE);
  EXPECT_EQ(in.cursor(), 7u);

  ChunkStream out(ChunkStream::Mode::Write, 1, static_cast<uint8_t*>(engineAllocateZeroed(6)), 6);
  float value = 1.5f;
  out.field(value);
  uint32_t skipped = 0xFFFFFFFF;
  out.field(skipped);
  out.zeros(2);
  out.zeros(1);
  EXPECT_EQ(out.cursor(), 6u);
  const uint8_t expected[] = {0x3F, 0xC0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(out.data(), expected, 6), 0);
}

}  // namespace
}  // namespace quorix::document
