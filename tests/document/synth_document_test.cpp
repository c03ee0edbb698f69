#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "common/byte_order.h"
#include "common/color_table.h"
#include "common/counted_string.h"
#include "common/memory.h"
#include "document/blobs.h"
#include "document/chunk_file.h"
#include "document/document_host.h"
#include "document/synth_layout.h"
#include "document/tracks.h"
#include "plugin_sdk/status_codes.h"
#include "tests/document/synth_test_support.h"
#include "ui/alerts.h"
#include "ui/string_table.h"

namespace quorix::document {
namespace {

using testing::be16;
using testing::be32;
using testing::minimalSynthChunks;
using testing::RawChunk;
using testing::readFile;

// Everything a Synth holds, in one comparable text (run-time fields left out).
std::string describe(int32_t synth) {
  std::string out;
  auto add = [&](const void* data, size_t size) {
    out.append(static_cast<const char*>(data), size);
  };
  SynthSlot& slot = *synthSlot(synth);
  SynthHeader header = *synthHeader(synth);
  for (int k = 0; k < kPatchCount; ++k) {
    if (PatchRecord* patch = patchRecord(synth, k)) {
      out += "patch " + std::to_string(k);
      add(patch, sizeof *patch);
    }
    header.patches[k] = nullptr;
  }
  add(&header, sizeof header);
  for (int i = 0; PictureEntry* p = pictureEntry(synth, i); ++i) {
    out += "picture";
    add(p->name, sizeof p->name);
    add(p->reserved, sizeof p->reserved);
    add(&p->bounds, sizeof p->bounds);
    add(&p->pictureFlags, 8);
    add(&p->pictureWords, 8);
  }
  for (int i = 0; MovieEntry* m = movieEntry(synth, i); ++i) {
    out += "movie";
    add(&m->movieId, 2);
    add(&m->movieWord, 4);
    add(m->fileName, sizeof m->fileName + sizeof m->volumeName + sizeof m->reserved);
    add(&m->frame, 8);
    add(&m->movieParam, 2);
    add(&m->movieWords, 16);
  }
  for (int i = 0; ObjectEntry* o = objectEntry(synth, i); ++i) {
    out += "object";
    add(o->name, sizeof o->name + sizeof o->reserved);
    add(&o->objectWord, 40);
  }
  add(slot.colors->data, slot.colors->size);
  if (slot.transparency) add(slot.transparency->data, slot.transparency->size);
  for (int32_t i = 0; i < BlobTable::count(slot.blobs); ++i) {
    const BlobEntry& blob = BlobTable::entries(slot.blobs)[i];
    out += "blob";
    add(&blob.blobId, 8);
    add(blob.data->data, blob.data->size);
  }
  for (int k = 0; MemHandle events = trackEvents(synth, k); ++k) {
    out += "track";
    add(events->data, events->size);
    add(trackSettings(synth, k)->data, sizeof(TrackSettings));
  }
  add(slot.placements->data, slot.placements->size);
  return out;
}

// The chunks of a file in order, as "TYPE id" words.
std::vector<std::string> chunkOrder(const std::string& path) {
  ChunkFile file;
  std::vector<std::string> order;
  if (file.open(path, false, false) != QX_OK) return order;
  for (int32_t i = 1; i < file.chunkCount(); ++i) {
    order.push_back(fourccText(file.entry(i).type) + " " + std::to_string(file.entry(i).id));
  }
  return order;
}

std::string chunkData(const std::string& path, const char (&type)[5], uint32_t id) {
  ChunkFile file;
  if (file.open(path, false, false) != QX_OK) return "<no file>";
  std::optional<ChunkStream> stream = file.openForRead(fourcc(type), id);
  return stream ? std::string(reinterpret_cast<const char*>(stream->data()), stream->size())
                : "<none>";
}

TEST_F(SynthTest, ASavedSynthReadsBackWithEveryRecordInWriteOrder) {
  std::string path = temp / "rich.qrx";
  int32_t made = testing::makeRichSynth(path);
  std::string before = describe(made);
  ASSERT_EQ(saveSynth(made), QX_OK);
  EXPECT_EQ(synthSlot(made)->modified, 0u);
  ASSERT_EQ(closeSynth(made, false), QX_OK);
  EXPECT_EQ(synthList().count(), 0);

  EXPECT_EQ(chunkOrder(path),
            (std::vector<std::string>{"SYTH 0", "WPOS 0", "PTCH 3", "PTCH 5", "PIXX 0", "MVXX 0",
                                      "3DXX 0", "CLUT 0", "TRSP 0", "RKRD 0", "BLDT 0", "BLHD 0",
                                      "BLHD 1", "RKTR 0", "RKLT 0", "RKTR 1", "RKLT 1"}));
  int32_t synth = openSynth(path, true);
  ASSERT_EQ(synth, 0);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{});
  EXPECT_EQ(describe(synth), before);
  SynthSlot& slot = *synthSlot(synth);
  EXPECT_EQ(nameOf(slot.name), "rich.qrx");
  EXPECT_EQ(filePath(slot.file), path);
  EXPECT_EQ(slot.file.lengthWord, path.size() * 257);
  EXPECT_TRUE(slot.chunkFile->readOnly());
  EXPECT_EQ(pictureEntry(synth, 0)->scale, 1.0f);
  EXPECT_EQ(patchRecord(synth, 4), nullptr);

  // Saving again rewrites every chunk in place: the file does not change.
  std::string bytes = readFile(path);
  ASSERT_EQ(saveSynth(synth), QX_OK);
  closeSynth(synth, false);
  EXPECT_EQ(readFile(path), bytes);
}

TEST_F(SynthTest, ChunksHoldTheirFieldsAtTheirPlaces) {
  std::string path = testing::writeRichSynth(temp / "layout.qrx");
  std::string syth = chunkData(path, "SYTH", 0);
  ASSERT_EQ(syth.size(), 6216u);
  auto word = [](const std::string& s, size_t at) {
    return loadBE32(reinterpret_cast<const uint8_t*>(s.data()) + at);
  };
  auto half = [](const std::string& s, size_t at) {
    return loadBE16(reinterpret_cast<const uint8_t*>(s.data()) + at);
  };
  EXPECT_EQ(half(syth, 0), 7);
  EXPECT_EQ(half(syth, 2), 3);           // currentPatch
  EXPECT_EQ(half(syth, 6), 10);          // midiChannel
  EXPECT_EQ(word(syth, 8 + 3 * 4), 1u);  // Patch 3 present
  EXPECT_EQ(word(syth, 8 + 4 * 4), 0u);
  EXPECT_EQ(syth.substr(520 + 3 * 40, 6), "\x05Intro");
  EXPECT_EQ(word(syth, 5640), 0x01020304u);
  EXPECT_EQ(half(syth, 5656), 2);        // transparencyLevels
  EXPECT_EQ(word(syth, 5658), 320u);
  EXPECT_EQ(word(syth, 5666), 8u);       // pixelDepth
  EXPECT_EQ(word(syth, 5682), 5u);       // renderFlags
  EXPECT_EQ(word(syth, 5690), 42u);      // reserved2[1]
  EXPECT_EQ(syth.substr(5698), std::string(518, '\0'));

  std::string patch = chunkData(path, "PTCH", 3);
  ASSERT_EQ(patch.size(), 11024u);
  EXPECT_EQ(half(patch, 16 + 60 * 2), 0x0001);        // key 60: picture 0
  EXPECT_EQ(half(patch, 16 + 61 * 2), 0x8002);        // key 61: movie 1
  EXPECT_EQ(half(patch, 272 + 60 * 2), 2);            // key 60's effect
  EXPECT_EQ(half(patch, 528 + 60 * 18 + 2), 20);      // key 60's placement left
  EXPECT_EQ(half(patch, 528 + 60 * 18 + 14), 3);      // key 60's layerParam
  EXPECT_EQ(patch.substr(2832 + 61 * 64, 8), std::string("GLAS\0\0\0\x01", 8));

  std::string pictures = chunkData(path, "PIXX", 0);
  ASSERT_EQ(pictures.size(), 4u + 3 * 1112);
  EXPECT_EQ(half(pictures, 0), 3);
  EXPECT_EQ(pictures.substr(2 + 1092, 6), std::string("\x04" "Caf\xE9" "\0", 6));
  EXPECT_EQ(word(pictures, 2 + 1092 + 1076), fourcc("PICT"));
  EXPECT_EQ(half(pictures, 2 + 1092 + 1068), 20);     // bounds.bottom of picture 1
  EXPECT_EQ(pictures.substr(2 + 3 * 1092), std::string(pictures.size() - 2 - 3 * 1092, '\0'));

  std::string movies = chunkData(path, "MVXX", 0);
  ASSERT_EQ(movies.size(), 4u + 2 * 1352);
  EXPECT_EQ(word(movies, 2), 0xFFFFFFFEu);            // movieId -2, sign-extended
  EXPECT_EQ(movies.substr(2 + 8, 19), "\x12" "C:\\Movies\\clip.mov");
  EXPECT_EQ(half(movies, 2 + 1328), static_cast<uint16_t>(-7));
  EXPECT_EQ(chunkData(path, "3DXX", 0).size(), 4u + 1116);

  std::string placements = chunkData(path, "WPOS", 0);
  ASSERT_EQ(placements.size(), 4u + 2 * 28);
  EXPECT_EQ(word(placements, 0), 2u);
  // left, right, top, bottom
  EXPECT_EQ(placements.substr(4 + 12, 8), be16(20) + be16(40) + be16(10) + be16(30));

  EXPECT_EQ(chunkData(path, "RKRD", 0), be32(2) + be32(0));
  std::string blobs = chunkData(path, "BLDT", 0);
  EXPECT_EQ(blobs, be32(2) + be32(1) + be32(0) + be32(2) + be32(fourcc("TAsh")) + std::string(8, '\0'));
  EXPECT_EQ(chunkData(path, "BLHD", 0), "glassburst settings");

  std::string events = chunkData(path, "RKTR", 0);
  ASSERT_EQ(events.size(), 48u + 8 * 12);
  EXPECT_EQ(events.substr(0, 5), "\x04Main");
  EXPECT_EQ(word(events, 32), 3u);   // eventCount
  EXPECT_EQ(word(events, 36), 8u);   // capacity
  EXPECT_EQ(word(events, 44), 1u);   // cursor
  EXPECT_EQ(events.substr(48 + 12, 12), be32(30) + be32(144) + be32((61u << 16) | 100));
  std::string settings = chunkData(path, "RKLT", 0);
  ASSERT_EQ(settings.size(), 620u);
  EXPECT_EQ(settings.substr(56, 11), "\x0A" "first text");
  EXPECT_EQ(word(settings, 320), 8u);   // trackValue8
  EXPECT_EQ(word(settings, 616), 10u);  // trackReserved[9]
  EXPECT_EQ(chunkData(path, "CLUT", 0).substr(0, 8), be32(1234) + be16(0x8000) + be16(3));
}

TEST_F(SynthTest, AMinimalSynthGetsEmptyTablesForItsOptionalChunks) {
  // Bytes after the last chunk are no part of the file.
  std::string bytes = testing::chunkFileBytes(minimalSynthChunks()) + std::string(3000, '\xEE');
  int32_t synth = openSynth(temp.write("garbage.qrx", bytes), true);
  ASSERT_EQ(synth, 0);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{});
  SynthSlot& slot = *synthSlot(synth);
  EXPECT_EQ(PlacementTable::count(slot.placements), 0);
  EXPECT_EQ(BlobTable::count(slot.blobs), 0);
  EXPECT_EQ(slot.transparency, nullptr);
  EXPECT_EQ(TrackList::count(slot.tracks), 0);
  EXPECT_EQ(colorTableCount(slot.colors), 0);
  for (int k = 0; k < kPatchCount; ++k) EXPECT_EQ(patchRecord(synth, k), nullptr);
}

TEST_F(SynthTest, MissingOrUnreadableChunksFailWithTheirCodes) {
  struct Case {
    const char* removed;
    int32_t code;
  } cases[] = {{"SYTH", QX_ERR_SYTH_OPEN}, {"PIXX", QX_ERR_PIXX_OPEN}, {"MVXX", QX_ERR_MVXX_OPEN},
               {"3DXX", QX_ERR_3DXX_OPEN}, {"CLUT", QX_ERR_CLUT_OPEN}, {"RKRD", QX_ERR_RKRD_OPEN}};
  for (const Case& c : cases) {
    std::vector<RawChunk> chunks = minimalSynthChunks();
    testing::removeChunk(chunks, c.removed, 0);
    EXPECT_EQ(openChunks(chunks), -1) << c.removed;
    EXPECT_EQ(takeAlerts(), std::vector<std::string>{openFailure(c.code)}) << c.removed;
    EXPECT_EQ(synthList().count(), 0);
  }
  // A blob table naming a blob whose data chunk is missing.
  std::vector<RawChunk> chunks = minimalSynthChunks();
  chunks.push_back({"BLDT", 0, be32(1) + be32(1) + be32(0)});
  EXPECT_EQ(openChunks(chunks), -1);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{openFailure(QX_ERR_BLHD_OPEN)});
  // Placements that cannot be read (their data runs past the end of the file).
  chunks = minimalSynthChunks();
  chunks.push_back({"WPOS", 0, be32(0), 0, 100, 100});
  EXPECT_EQ(openChunks(chunks), -1);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{openFailure(QX_ERR_WPOS_OPEN)});
  // Transparency tables that cannot be read.
  chunks = minimalSynthChunks();
  chunks.push_back({"TRSP", 0, "", 0, 5000, 5000});
  EXPECT_EQ(openChunks(chunks), -1);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{openFailure(QX_ERR_READ_PREFIX)});
}

TEST_F(SynthTest, VersionsOtherThanSevenAreRefused) {
  EXPECT_EQ(openChunks(minimalSynthChunks(65535)), -1);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{openFailure(QX_ERR_DISPLAY_DEPTH)});
  EXPECT_EQ(openChunks(minimalSynthChunks(6)), -1);
  EXPECT_EQ(takeAlerts(),
            std::vector<std::string>{"This file was created with another version of Kyrel. It "
                                     "can not be opened with this version."});
  EXPECT_EQ(synthList().count(), 0);
}

TEST_F(SynthTest, ShortChunksReadAsFarAsTheyGoAndTheRestIsZero) {
  std::vector<RawChunk> chunks = minimalSynthChunks();
  // A header that stops inside screenWidth, with currentPatch 200 and a name claiming 200
  // characters.
  std::string header = chunks[0].data.substr(0, 5660);
  header.replace(2, 2, be16(200));
  header[520] = static_cast<char>(200);
  header.replace(5656, 2, be16(3));
  testing::setChunk(chunks, "SYTH", 0, header);
  // A Patch cut after its key media, and one that is empty (so absent).
  testing::setChunk(chunks, "PTCH", 1, be32(9) + be32(1) + be32(2) + be32(3) + be16(0x8001));
  testing::setChunk(chunks, "PTCH", 2, "");
  // Tables whose counts claim more entries than they hold, or fewer than none.
  // (a field is read only when all of it is there: the first name, not its reserved block)
  testing::setChunk(chunks, "PIXX", 0, be16(3) + "\x03" "abc" + std::string(36 + 100, '\0'));
  testing::setChunk(chunks, "MVXX", 0, be16(0x8000));
  testing::setChunk(chunks, "CLUT", 0,
                    be32(7) + be16(0) + be16(2) + be16(0) + be16(1) + be16(2) + be16(3) + be16(9));
  // Track settings of the older form, with a 32-byte first text.
  testing::setChunk(chunks, "RKRD", 0, be32(1));
  std::string older = be32(4) + std::string(20, '\0') + "\x02hi" + std::string(29, '\0') +
                      "\x03old" + std::string(28, '\0') + be32(6) + be32(7) + be32(8) + "\x03new";
  testing::setChunk(chunks, "RKLT", 0, older + std::string(396 - older.size(), '\0'));

  int32_t synth = openChunks(chunks);
  ASSERT_EQ(synth, 0);
  const SynthHeader& read = *synthHeader(synth);
  EXPECT_EQ(read.currentPatch, 0);  // 200 is no Patch
  EXPECT_EQ(read.transparencyLevels, 3);
  EXPECT_EQ(read.screenWidth, 0);
  EXPECT_EQ(read.patchName[0][0], kNameMaxLength);
  PatchRecord* patch = patchRecord(synth, 1);
  ASSERT_NE(patch, nullptr);
  EXPECT_EQ(patch->runtimeWord, 0u);
  EXPECT_EQ(patch->patchWords[2], 3u);
  EXPECT_EQ(patch->keyMedia[0], 0x8001);
  EXPECT_EQ(patch->keyMedia[1], 0);
  EXPECT_EQ(patch->keyParams[0].param4, 0);
  EXPECT_EQ(patchRecord(synth, 2), nullptr);
  SynthSlot& slot = *synthSlot(synth);
  ASSERT_EQ(PictureTable::count(slot.pictures), 3);
  EXPECT_EQ(nameOf(pictureEntry(synth, 0)->name), "abc");
  EXPECT_EQ(nameOf(pictureEntry(synth, 2)->name), "");
  EXPECT_EQ(MovieTable::count(slot.movies), 0);
  ASSERT_EQ(colorTableCount(slot.colors), 3);
  EXPECT_EQ(colorTableEntries(slot.colors)[0].blue, 3);
  EXPECT_EQ(colorTableEntries(slot.colors)[1].value, 0);  // cut short
  EXPECT_EQ(colorTableEntries(slot.colors)[2].blue, 0);
  const TrackSettings& settings = *static_cast<TrackSettings*>(trackSettings(synth, 0)->data);
  EXPECT_EQ(settings.trackMode, 4u);
  EXPECT_EQ(readCountedString(settings.label, 32), "hi");
  EXPECT_EQ(readCountedString(settings.text1, 256), "old");
  EXPECT_EQ(settings.trackValue8, 8u);
  EXPECT_EQ(readCountedString(settings.text2, 256), "new");
  // A track without its events chunk has none; the damage check is quiet.
  EXPECT_EQ(trackEventCount(trackEvents(synth, 0)), 0);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{});
}

TEST_F(SynthTest, CountsThatOverrunTheirChunksAreKeptWithinThem) {
  std::vector<RawChunk> chunks = minimalSynthChunks();
  testing::setChunk(chunks, "WPOS", 0, be32(0xFFFFFFFF) + std::string(28, '\1'));
  testing::setChunk(chunks, "BLDT", 0, be32(0x7FFFFFFF) + be32(1) + be32(0));
  testing::setChunk(chunks, "BLHD", 0, "blob");
  testing::setChunk(chunks, "RKRD", 0, be32(0xFFFFFFFF));
  // Events claiming 1000 of 1000000 slots in a chunk that holds two, cursor beyond them.
  testing::setChunk(chunks, "RKTR", 0,
                    "\x01t" + std::string(30, '\0') + be32(1000) + be32(1000000) + be32(0) +
                        be32(500) + be32(5) + be32(144) + be32(1) + be32(9) + be32(144) + be32(2));
  testing::setChunk(chunks, "RKTR", 1, std::string(48, '\0').replace(32, 4, be32(0x80000000)));
  int32_t synth = openChunks(chunks);
  ASSERT_EQ(synth, 0);
  SynthSlot& slot = *synthSlot(synth);
  EXPECT_EQ(PlacementTable::count(slot.placements), 1);
  EXPECT_EQ(BlobTable::count(slot.blobs), 1);
  EXPECT_EQ(TrackList::count(slot.tracks), synthSlot(synth)->chunkFile->chunkCount());
  MemHandle events = trackEvents(synth, 0);
  const TrackEventsHeader& header = *trackHeader(events);
  EXPECT_EQ(header.capacity, 2u);
  EXPECT_EQ(header.eventCount, 2);
  EXPECT_EQ(header.cursor, 2u);
  EXPECT_EQ(trackDuration(synth, 0), 9);
  EXPECT_EQ(trackHeader(trackEvents(synth, 1))->eventCount, 0);  // a negative count
  // Saving writes what was kept.
  ASSERT_EQ(closeSynth(synth, false), QX_OK);
}

TEST_F(SynthTest, RunningOutOfMemoryWhileReadingGivesEachChunksCode) {
  std::string rich = testing::writeRichSynth(temp / "memory.qrx");
  std::string minimal = temp.write("minimal.qrx", testing::chunkFileBytes(minimalSynthChunks()));
  takeAlerts();
  // Fail the first, second, ... allocation of the read until it succeeds: each failure is
  // reported once with a code, leaves no slot and no leak, and sets the memory error.
  std::set<int32_t> codes;
  for (const std::string& path : {rich, minimal}) {
    for (long successes = 0; successes < 400; ++successes) {
      int32_t synth;
      {
        ScopedAllocationFailure failure(successes);
        synth = openSynth(path, true);
      }
      if (synth >= 0) break;
      EXPECT_EQ(memoryError(), QX_ERR_MEMORY);
      EXPECT_EQ(synthList().count(), 0);
      std::vector<std::string> reported = takeAlerts();
      ASSERT_EQ(reported.size(), 1u) << successes;
      codes.insert(alertCode(reported[0]));
    }
    EXPECT_EQ(synthList().count(), 1);
    closeSynth(0, false);
  }
  for (int32_t code : {QX_ERR_MEMORY, QX_ERR_DIRECTORY_CREATE, QX_ERR_SYTH_OPEN, QX_ERR_WPOS_OPEN,
                       QX_ERR_PTCH_OPEN, QX_ERR_PIXX_OPEN, QX_ERR_MVXX_OPEN, QX_ERR_3DXX_OPEN,
                       QX_ERR_CLUT_OPEN, QX_ERR_TRSP_MEMORY, QX_ERR_BLDT_EMPTY, QX_ERR_BLDT_MEMORY,
                       QX_ERR_BLHD_OPEN, QX_ERR_RKRD_OPEN, QX_ERR_RKTR_OPEN, QX_ERR_RKLT_OPEN}) {
    EXPECT_EQ(codes.count(code), 1u) << code;
  }
}

TEST_F(SynthTest, AFailedWriteFailsTheSaveWithItsChunksCode) {
  // Where each chunk lands in a saved file.
  std::string reference = testing::writeRichSynth(temp / "reference.qrx");
  std::vector<uint32_t> offsets;
  {
    ChunkFile file;
    ASSERT_EQ(file.open(reference, false, false), QX_OK);
    for (int32_t i = 1; i < file.chunkCount(); ++i) offsets.push_back(file.entry(i).offset);
  }
  // Let the disk fill up in each chunk's header, then in its data: the save fails with that
  // chunk's code for making it, then for writing it.
  std::set<int32_t> codes;
  int run = 0;
  for (uint32_t offset : offsets) {
    for (uint32_t into : {1u, 17u}) {
      int32_t synth = testing::makeRichSynth(temp / ("full" + std::to_string(run++) + ".qrx"));
      int32_t status;
      {
        ScopedFileSizeLimit limit(offset + into);
        status = saveSynth(synth);
      }
      EXPECT_NE(status, QX_OK) << offset;
      EXPECT_EQ(synthSlot(synth)->modified, 1u);
      EXPECT_EQ(takeAlerts(), std::vector<std::string>{ui::errorText(status, ui::kStringDiskError)});
      codes.insert(status);
      closeChunkFile(synthSlot(synth)->chunkFile, false);
      synthSlot(synth)->chunkFile = nullptr;
      synthSlot(synth)->modified = 0;
      closeSynth(synth, false);
    }
  }
  EXPECT_EQ(codes, (std::set<int32_t>{QX_ERR_WRITE_FAILED, QX_ERR_SYTH_OPEN, QX_ERR_SYTH_RELEASE,
                                      QX_ERR_PTCH_OPEN, QX_ERR_PTCH_RELEASE, QX_ERR_PIXX_OPEN,
                                      QX_ERR_PIXX_RELEASE, QX_ERR_MVXX_OPEN, QX_ERR_MVXX_RELEASE,
                                      QX_ERR_3DXX_OPEN, QX_ERR_3DXX_RELEASE, QX_ERR_CLUT_OPEN,
                                      QX_ERR_CLUT_RELEASE, QX_ERR_RKRD_OPEN, QX_ERR_RKRD_RELEASE,
                                      QX_ERR_RKTR_OPEN, QX_ERR_RKTR_RELEASE, QX_ERR_RKLT_OPEN,
                                      QX_ERR_RKLT_RELEASE}));

  // Running out of memory fails the save the same way.
  codes.clear();
  for (long successes = 0; successes < 100; ++successes) {
    int32_t synth = testing::makeRichSynth(temp / ("memory" + std::to_string(successes) + ".qrx"));
    int32_t status;
    {
      ScopedAllocationFailure failure(successes);
      status = saveSynth(synth);
    }
    takeAlerts();
    codes.insert(status);
    EXPECT_EQ(synthSlot(synth)->modified, status == QX_OK ? 0u : 1u);
    synthSlot(synth)->modified = 0;
    closeSynth(synth, false);
    if (status == QX_OK) break;
  }
  for (int32_t code : {QX_ERR_MEMORY, QX_ERR_SYTH_OPEN, QX_ERR_PTCH_OPEN, QX_ERR_PIXX_OPEN,
                       QX_ERR_CLUT_OPEN, QX_ERR_WRITE_FAILED, QX_ERR_RKTR_OPEN, QX_ERR_RKLT_OPEN}) {
    EXPECT_EQ(codes.count(code), 1u) << code;
  }
}

TEST_F(SynthTest, ReadErrorsAreHeldBackWhileTheEngineRuns) {
  struct Running : DocumentHost {
    bool engineRunning() override { return true; }
  } running;
  ScopedDocumentHost host(running);
  EXPECT_EQ(openChunks(minimalSynthChunks(65535)), -1);
  EXPECT_EQ(openSynth(temp.write("junk.qrx", "junk"), true), -1);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{});
}

TEST_F(SynthTest, OpeningAskAboutTheFileOnlyWhenInteractive) {
  std::string junk = temp.write("junk.qrx", std::string(100, 'j'));
  // Not a chunk file: an interactive open shows its path in a "Kyrel" box.
  EXPECT_EQ(openSynth(junk, false), -1);
  ASSERT_EQ(alerts.entries.size(), 1u);
  EXPECT_EQ(alerts.entries[0].title, "Kyrel");
  EXPECT_EQ(alerts.entries[0].text, junk);
  EXPECT_TRUE(alerts.entries[0].question);
  takeAlerts();
  EXPECT_EQ(openSynth(junk, true), -1);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{openFailure(QX_ERR_HEADER_CHUNK_SIZE)});

  // No path: the Open dialog asks; cancelling says nothing more.
  EXPECT_EQ(openSynth("", false), -1);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{"Kyrel (*.QRX) (*.QRX)"});
  EXPECT_EQ(openSynth("", true), -1);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{});
  std::string good = testing::writeRichSynth(temp / "good.qrx");
  alerts.chosenFile = good;
  int32_t synth = openSynth("", false);
  ASSERT_EQ(synth, 0);
  EXPECT_FALSE(synthSlot(synth)->chunkFile->readOnly());

  // The same path twice.
  takeAlerts();
  EXPECT_EQ(openSynth(good, true), -1);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{"This file is already open ..."});
  EXPECT_EQ(openSynth(temp / "missing.qrx", false), -1);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{openFailure(QX_ERR_OPEN_FAILED)});
  EXPECT_FALSE(std::filesystem::exists(temp / "missing.qrx"));

  // A read-only file opens interactively too, for reading.
  std::string locked = testing::writeRichSynth(temp / "locked.qrx");
  chmod(locked.c_str(), 0444);
  int32_t lockedSynth = openSynth(locked, false);
  ASSERT_EQ(lockedSynth, 1);
  EXPECT_TRUE(synthSlot(lockedSynth)->chunkFile->readOnly());
}

TEST_F(SynthTest, ClosingAModifiedSynthAsksWhetherToSaveIt) {
  std::string path = testing::writeRichSynth(temp / "ask.qrx");
  std::string original = readFile(path);
  int32_t synth = openSynth(path, false);
  synthHeader(synth)->midiChannel = 3;
  synthSlot(synth)->modified = 1;

  alerts.answer = platform::Answer::Cancel;
  EXPECT_EQ(closeSynth(synth, true), -1);
  ASSERT_EQ(alerts.entries.size(), 1u);
  EXPECT_EQ(alerts.entries[0].text, "Save ask.qrx before closing ?");
  EXPECT_EQ(synthList().count(), 1);

  alerts.answer = platform::Answer::No;
  EXPECT_EQ(closeSynth(synth, true), QX_OK);
  EXPECT_EQ(readFile(path), original);

  synth = openSynth(path, false);
  synthHeader(synth)->midiChannel = 3;
  synthSlot(synth)->modified = 1;
  alerts.answer = platform::Answer::Yes;
  EXPECT_EQ(closeSynth(synth, true), QX_OK);
  synth = openSynth(path, true);
  EXPECT_EQ(synthHeader(synth)->midiChannel, 3);
}

TEST_F(SynthTest, ClosingIsRefusedWhileTheEngineRunsAndRenumbersLaterSynths) {
  struct Host : DocumentHost {
    bool running = false;
    std::vector<int> released, removed;
    bool engineRunning() override { return running; }
    void releaseSynthMedia(int synth) override { released.push_back(synth); }
    void synthRemoved(int synth) override { removed.push_back(synth); }
  } host;
  ScopedDocumentHost scoped(host);
  for (const char* name : {"a.qrx", "b.qrx", "c.qrx"}) {
    ASSERT_GE(openSynth(testing::writeRichSynth(temp / name), false), 0);
  }
  host.released.clear();
  host.removed.clear();
  host.running = true;
  EXPECT_EQ(closeSynth(0, true), -2);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{"Sorry, this action can not be performed "
                                                   "while the Quorix engine is active. Please "
                                                   "deactivate it and try again."});
  EXPECT_EQ(closeSynth(0, false), QX_OK);
  EXPECT_EQ(nameOf(synthSlot(0)->name), "b.qrx");
  EXPECT_EQ(nameOf(synthSlot(1)->name), "c.qrx");
  EXPECT_EQ(synthSlot(2), nullptr);
  EXPECT_EQ(host.released, std::vector<int>{0});
  EXPECT_EQ(host.removed, std::vector<int>{0});
  EXPECT_EQ(closeSynth(5, false), QX_ERR_NO_SYNTH);

  int view = 0;
  synthSlot(1)->view = &view;
  EXPECT_EQ(findSynthByView(&view), 1);
  EXPECT_EQ(findSynthByView(&host), QX_ERR_NO_SYNTH);
}

TEST_F(SynthTest, AFailedSaveKeepsTheSynthModified) {
  int32_t synth = testing::makeRichSynth(temp / "no-such-folder/x.qrx");
  EXPECT_EQ(saveSynth(synth), QX_ERR_OPEN_FAILED);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{openFailure(QX_ERR_OPEN_FAILED)});
  EXPECT_EQ(synthSlot(synth)->modified, 1u);

  synth = testing::makeRichSynth(temp / "x.qrx");
  ASSERT_EQ(saveSynth(synth), QX_OK);
  synthSlot(synth)->modified = 1;
  {
    ScopedAllocationFailure failure(0);
    EXPECT_EQ(saveSynth(synth), QX_ERR_SYTH_OPEN);
  }
  EXPECT_EQ(synthSlot(synth)->modified, 1u);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{"Error -6000 : Fatal error accessing disk volume!"});
  // A save the user asked for that fails keeps the Synth open.
  chmod((temp / "x.qrx").c_str(), 0444);
  closeChunkFile(synthSlot(synth)->chunkFile, false);
  synthSlot(synth)->chunkFile = nullptr;
  alerts.answer = platform::Answer::Yes;
  EXPECT_EQ(closeSynth(synth, true), -1);
  EXPECT_EQ(synthList().count(), 2);
}

TEST_F(SynthTest, SavingDropsTheEventsOfTracksThatAreGone) {
  std::string path = testing::writeRichSynth(temp / "tracks.qrx");
  int32_t synth = openSynth(path, false);
  SynthSlot& slot = *synthSlot(synth);
  TrackHandles* tracks = TrackList::entries(slot.tracks);
  disposeHandle(tracks[1].events);
  disposeHandle(tracks[1].settings);
  TrackList::header(slot.tracks)->count = 1;
  ASSERT_EQ(saveSynth(synth), QX_OK);
  closeSynth(synth, false);
  std::vector<std::string> order = chunkOrder(path);
  EXPECT_EQ(std::count(order.begin(), order.end(), "RKTR 1"), 0);
  EXPECT_EQ(std::count(order.begin(), order.end(), "RKLT 1"), 1);  // stale settings stay
  synth = openSynth(path, true);
  EXPECT_EQ(TrackList::count(synthSlot(synth)->tracks), 1);
}

TEST_F(SynthTest, AFileReadNonInteractivelyIsNeverWritten) {
  std::string path = testing::writeRichSynth(temp / "ro.qrx");
  // Free a chunk in it so that a writable close would compact it.
  {
    ChunkFile file;
    file.open(path, true, true);
    file.writeChunk(fourcc("SYTH"), 0, std::string(7000, '\0').data(), 7000);
    file.close(false);
  }
  std::string bytes = readFile(path);
  int32_t synth = openSynth(path, true);
  EXPECT_EQ(synth, -1);  // version 0 now
  takeAlerts();
  synth = openSynth(testing::writeRichSynth(temp / "ro2.qrx"), true);
  std::string bytes2 = readFile(temp / "ro2.qrx");
  closeSynth(synth, true);
  EXPECT_EQ(readFile(path), bytes);
  EXPECT_EQ(readFile(temp / "ro2.qrx"), bytes2);
}

TEST_F(SynthTest, TheDamageCheckWarnsAboutRecordsOfTheWrongSize) {
  int32_t synth = testing::makeRichSynth(temp / "damaged.qrx");
  SynthSlot& slot = *synthSlot(synth);
  EXPECT_EQ(checkDamage(synth), 0);
  setHandleSize(slot.header, sizeof(SynthHeader) + 4);
  setHandleSize(synthHeader(synth)->patches[5], sizeof(PatchRecord) + 1);
  setHandleSize(slot.pictures, slot.pictures->size - 1);
  setHandleSize(slot.movies, slot.movies->size + 2);
  setHandleSize(slot.objects, slot.objects->size + 2);
  EXPECT_EQ(checkDamage(synth), 4);
  EXPECT_EQ(takeAlerts(),
            (std::vector<std::string>{
                "This Synth file seems to be damaged. We recommend you to not use this file!",
                "This file seems to be damaged. We recommend you to not use this file!",
                "This movie database seems to be damaged. We recommend you to not use this file!",
                "This 3D database seems to be damaged. We recommend you to not use this file!"}));
  setHandleSize(slot.header, sizeof(SynthHeader));
  EXPECT_EQ(checkDamage(synth), 4);
  EXPECT_EQ(takeAlerts()[0], "Error 5 : This Patch file seems to be damaged. We recommend you "
                             "to not use this file!");
}

TEST_F(SynthTest, CreatePatchFillsTheDefaultKeys) {
  int32_t synth = newSynth(temp / "new.qrx");
  ASSERT_EQ(createPatch(synth, 7), 1);
  const PatchRecord& patch = *patchRecord(synth, 7);
  for (const KeyParams& key : patch.keyParams) {
    EXPECT_EQ(key.placement.bottom, 0);
    EXPECT_EQ(key.param4, 1);
    EXPECT_EQ(key.param5, 1);
    EXPECT_EQ(key.param6, 4);
    EXPECT_EQ(key.layerParam, 1);
    EXPECT_EQ(key.keyFlags, 0);
  }
  EXPECT_EQ(patch.keyMedia[5] | patch.keyEffect[5] | patch.effectSettings[5][63], 0);
  EXPECT_EQ(createPatch(synth, 128), 0);
  EXPECT_EQ(createPatch(synth + 1, 0), 0);
  {
    ScopedAllocationFailure failure(0);
    EXPECT_EQ(createPatch(synth, 8), 0);
  }
  EXPECT_EQ(patchRecord(synth, 8), nullptr);
  EXPECT_EQ(takeAlerts(),
            std::vector<std::string>{"Error -3 : Memory allocation error while creating a Patch!"});
}

TEST_F(SynthTest, MediaAreFoundByName) {
  int32_t synth = testing::makeRichSynth(temp / "names.qrx");
  EXPECT_EQ(findPictureByName(synth, "Caf\xE9"), 1);
  EXPECT_EQ(findPictureByName(synth, "caf\xE9"), -1);
  EXPECT_EQ(findPictureByName(synth, "Caf"), -1);
  EXPECT_EQ(findMovieByName(synth, "clip.mov"), 0);
  EXPECT_EQ(findMovieByName(synth, "loop.mov"), 1);
  EXPECT_EQ(findMovieByName(synth, "C:\\Movies\\clip.mov"), -1);
  EXPECT_EQ(findPictureByName(synth + 1, "Caf\xE9"), -1);
  EXPECT_EQ(pictureEntry(synth, 3), nullptr);
  EXPECT_EQ(movieEntry(synth, -1), nullptr);
}

TEST(KeyMediaTest, ReferencesDecodeToKindAndIndex) {
  struct Case {
    uint16_t ref;
    MediaKind kind;
    int index;
  } cases[] = {{0x0000, MediaKind::None, -1},   {0x0001, MediaKind::Picture, 0},
               {0x8000, MediaKind::Movie, -1},
               {0x8001, MediaKind::Movie, 0},   {0x4000, MediaKind::Object, -1},
               {0xC005, MediaKind::Fourth, 4},  {0x3FFF, MediaKind::Picture, 16382}};
  for (const Case& c : cases) {
    KeyMedia media = decodeKeyMedia(c.ref);
    EXPECT_EQ(media.kind, c.kind) << c.ref;
    EXPECT_EQ(media.index, c.index) << c.ref;
    EXPECT_EQ(encodeKeyMedia(c.kind, c.index), c.ref);
  }
  EXPECT_EQ(encodeKeyMedia(MediaKind::Picture, 16383), 0);
}

}  // namespace
}  // namespace quorix::document
