#include "tests/document/document_fixture.h"

#include <cstring>

#include "common/byte_order.h"
#include "common/color_table.h"
#include "common/counted_string.h"
#include "common/fourcc.h"
#include "common/memory.h"
#include "document/blobs.h"
#include "document/synth_document.h"
#include "document/synth_list.h"
#include "document/tracks.h"

namespace quorix::testing {

using namespace quorix::document;

std::string be16(uint16_t value) {
  uint8_t bytes[2];
  storeBE16(bytes, value);
  return std::string(reinterpret_cast<char*>(bytes), 2);
}

std::string be32(uint32_t value) {
  uint8_t bytes[4];
  storeBE32(bytes, value);
  return std::string(reinterpret_cast<char*>(bytes), 4);
}

std::string chunkFileBytes(const std::vector<RawChunk>& chunks, int64_t countOverride) {
  uint32_t count = countOverride >= 0 ? static_cast<uint32_t>(countOverride)
                                      : static_cast<uint32_t>(chunks.size() + 1);
  std::string out = "BLOB" + be32(0) + be32(68) + be32(68) + "blob" + be32(count) +
                    std::string(44, '\0');
  for (const RawChunk& chunk : chunks) {
    uint32_t natural = static_cast<uint32_t>(chunk.data.size() + 16);
    uint32_t used = chunk.used >= 0 ? static_cast<uint32_t>(chunk.used) : natural;
    uint32_t allocated =
        chunk.allocated >= 0 ? static_cast<uint32_t>(chunk.allocated) : natural + chunk.slack;
    std::string type = chunk.type.empty() ? std::string(4, '\xFF') : chunk.type;
    out += type + be32(chunk.id) + be32(used) + be32(allocated) + chunk.data;
    out += std::string(chunk.slack, '\0');
  }
  return out;
}

std::vector<RawChunk> minimalSynthChunks(uint16_t version) {
  std::string header(6216, '\0');
  std::string versionBytes = be16(version);
  header.replace(0, 2, versionBytes);
  header.replace(6, 2, be16(1));  // MIDI channel 1
  return {
      {"SYTH", 0, header},
      {"PIXX", 0, be16(0), 2},
      {"MVXX", 0, be16(0), 2},
      {"3DXX", 0, be16(0), 2},
      {"CLUT", 0, be32(0) + be16(0) + be16(0xFFFF)},  // no entries
      {"RKRD", 0, be32(0) + be32(0)},
  };
}

void setChunk(std::vector<RawChunk>& chunks, const std::string& type, uint32_t id,
              const std::string& data) {
  for (RawChunk& chunk : chunks) {
    if (chunk.type == type && chunk.id == id) {
      chunk.data = data;
      chunk.slack = 0;
      return;
    }
  }
  chunks.push_back({type, id, data});
}

void removeChunk(std::vector<RawChunk>& chunks, const std::string& type, uint32_t id) {
  for (auto it = chunks.begin(); it != chunks.end(); ++it) {
    if (it->type == type && it->id == id) {
      chunks.erase(it);
      return;
    }
  }
}

namespace {

template <typename Table>
auto* appendEntry(MemHandle table) {
  int32_t count = Table::count(table);
  Table::resize(table, count + 1);
  return Table::at(table, count);
}

MemHandle bytesHandle(const std::string& bytes) {
  return newHandleCopy(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

void fillReserved(uint8_t (&reserved)[1024], uint8_t seed) {
  for (size_t i = 0; i < sizeof reserved; ++i) reserved[i] = static_cast<uint8_t>(seed + i * 7);
}

}  // namespace

int32_t makeRichSynth(const std::string& path) {
  int32_t synth = newSynth(path);
  SynthSlot* slot = synthSlot(synth);
  SynthHeader& header = *synthHeader(synth);
  header.currentPatch = 3;
  header.synthFlags = 5;
  header.midiChannel = 10;
  header.reserved1[0] = 0x01020304;
  header.reserved1[3] = 0xFFFFFFFF;
  header.transparencyLevels = 2;
  header.screenWidth = 320;
  header.screenHeight = 240;
  header.pixelDepth = 8;
  header.settings1 = 11;
  header.settings2 = 0x80000000;
  header.moviesKeepOriginalPath = 1;
  header.renderFlags = 5;
  header.reserved2[1] = 42;
  setName(header.patchName[3], "Intro");
  setName(header.patchName[5], "F\xEAte finale");

  createPatch(synth, 3);
  createPatch(synth, 5);
  PatchRecord& intro = *patchRecord(synth, 3);
  intro.patchWords[0] = 7;
  intro.patchWords[2] = 0xDEADBEEF;
  intro.keyMedia[60] = encodeKeyMedia(MediaKind::Picture, 0);
  intro.keyEffect[60] = 2;
  intro.keyParams[60] = {{10, 20, 110, 220}, 7, 1, 4, 3, 2};
  intro.keyMedia[61] = encodeKeyMedia(MediaKind::Movie, 1);
  intro.keyEffect[61] = 9;
  std::memcpy(intro.effectSettings[61], "GLAS\0\0\0\x01", 8);
  intro.effectSettings[61][63] = 0x7F;
  intro.keyMedia[62] = encodeKeyMedia(MediaKind::Object, 0);
  intro.keyMedia[63] = 0x4000;
  intro.keyParams[64].placement = {-5, -6, 32767, -32768};
  PatchRecord& finale = *patchRecord(synth, 5);
  finale.keyMedia[0] = encodeKeyMedia(MediaKind::Picture, 2);
  finale.keyParams[127].keyFlags = 1;

  const char* pictureNames[] = {"sunrise", "Caf\xE9", "a name that is exactly 39 characters!!!"};
  for (int i = 0; i < 3; ++i) {
    PictureEntry* picture = appendEntry<PictureTable>(slot->pictures);
    setName(picture->name, pictureNames[i]);
    fillReserved(picture->reserved, static_cast<uint8_t>(i));
    picture->bounds = {0, 0, static_cast<int16_t>(10 * (i + 1)), static_cast<int16_t>(20 * (i + 1))};
    picture->format = i == 1 ? fourcc("PICT") : 0;
    picture->pictureFlags = static_cast<uint32_t>(i);
    picture->pictureWords[0] = 100 + static_cast<uint32_t>(i);
    picture->scale = 1.0f;
  }
  for (int i = 0; i < 2; ++i) {
    MovieEntry* movie = appendEntry<MovieTable>(slot->movies);
    movie->movieId = static_cast<int16_t>(i == 0 ? -2 : 300);
    movie->movieWord = 0x12345678;
    writeCountedString(movie->fileName, sizeof movie->fileName,
                       i == 0 ? "C:\\Movies\\clip.mov" : "loop.mov");
    writeCountedString(movie->volumeName, sizeof movie->volumeName, "Disk");
    fillReserved(movie->reserved, 9);
    movie->frame = {1, 2, 3, 4};
    movie->movieParam = -7;
    movie->movieWords[0] = 1;
    movie->movieWords[3] = 4;
  }
  ObjectEntry* object = appendEntry<ObjectTable>(slot->objects);
  setName(object->name, "cube");
  fillReserved(object->reserved, 3);
  object->objectWord = 77;
  object->objectParams[8] = 9;

  disposeHandle(slot->colors);
  const ColorEntry colors[] = {{0, 0xFFFF, 0xFFFF, 0xFFFF}, {1, 0xFFFF, 0, 0}, {2, 0, 0x8000, 0},
                               {3, 0, 0, 0}};
  slot->colors = makeColorTable(colors, 4, 1234, 0x8000);

  std::string transparency(300, '\0');
  for (size_t i = 0; i < transparency.size(); ++i) transparency[i] = static_cast<char>(i);
  slot->transparency = bytesHandle(transparency);

  addBlob(synth, bytesHandle("glassburst settings"), 0);
  addBlob(synth, bytesHandle(std::string("\0\x01\x02", 3)), fourcc("TAsh"));

  int main = addTrack(synth, "Main", 8);
  MemHandle events = trackEvents(synth, main);
  recordEvent(events, {144, 60, 64}, 0);
  recordEvent(events, {144, 61, 100}, 30);
  recordEvent(events, {128, 60, 0}, 60);
  trackHeader(events)->cursor = 1;
  trackHeader(events)->trackWord = 5;
  auto& settings = *static_cast<TrackSettings*>(trackSettings(synth, main)->data);
  settings.trackMode = 2;
  settings.trackValues[4] = 9;
  writeCountedString(settings.label, sizeof settings.label, "label");
  writeCountedString(settings.text1, sizeof settings.text1, "first text");
  settings.trackValue8 = 8;
  writeCountedString(settings.text2, sizeof settings.text2, "second text");
  settings.trackReserved[9] = 10;
  addTrack(synth, "Empty", 2);

  for (uint32_t i = 0; i < 2; ++i) {
    WindowPlacement* placement = appendEntry<PlacementTable>(slot->placements);
    *placement = {i + 1, i + 2, i + 3, {10, 20, 30, 40}, {0, 0}};
  }
  return synth;
}

std::string writeRichSynth(const std::string& path) {
  int32_t synth = makeRichSynth(path);
  saveSynth(synth);
  closeSynth(synth, false);
  return path;
}

}  // namespace quorix::testing
