// Shared set-up of the picture and movie tests: a frame of a chosen depth and layout made
// current, a media host whose scale and frame stamp the test sets, a fixed memory figure, the
// importer registry, a recording alert sink, and Synths built in memory whose pictures are
// stored in their own chunk files.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/color_table.h"
#include "common/fourcc.h"
#include "common/memory.h"
#include "document/document_host.h"
#include "document/record_table.h"
#include "document/synth_document.h"
#include "document/synth_list.h"
#include "media/importer_registry.h"
#include "media/media_host.h"
#include "media/movies.h"
#include "media/pictures.h"
#include "platform/alert_sink.h"
#include "platform/media/media_platform.h"
#include "platform/memory_status.h"
#include "render/frame_buffer.h"
#include "render/pixel_map.h"
#include "tests/support/temp_folder.h"

namespace quorix::media {

class TestMediaHost : public MediaHost {
 public:
  float displayScale() override { return scale; }
  uint32_t frameStamp() override { return stamp; }
  int32_t currentSynth() override { return synth; }
  bool millisecondClock() override { return milliseconds; }
  bool statisticsOn() override { return statistics; }
  bool progressShown() override { return progress; }
  void progressText(int32_t h, int32_t v, const std::string& text) override {
    progressLines.push_back(std::to_string(h) + "," + std::to_string(v) + " " + text);
  }
  void movieFrameReady(int32_t slot) override { readySlots.push_back(slot); }
  void setMovieLoop(const platform::Movie* movie, int32_t flag) override {
    loopCalls.emplace_back(movie, flag);
  }

  float scale = 1.0f;
  uint32_t stamp = 1;
  int32_t synth = -1;
  bool milliseconds = true;
  bool statistics = false;
  bool progress = false;
  std::vector<std::string> progressLines;
  std::vector<int32_t> readySlots;
  std::vector<std::pair<const platform::Movie*, int32_t>> loopCalls;
};

// The colours of the Synths the tests make: the first entries are the test's colours, the
// rest grey steps, 256 in all.
inline MemHandle testColorTable(const std::vector<uint32_t>& colors) {
  std::vector<ColorEntry> entries(256);
  for (int i = 0; i < 256; ++i) {
    uint32_t c = i < static_cast<int>(colors.size()) ? colors[static_cast<size_t>(i)] : 0x010101u * static_cast<uint32_t>(i);
    entries[static_cast<size_t>(i)] = ColorEntry{static_cast<uint16_t>(i), static_cast<uint16_t>(((c >> 16) & 0xFF) * 257),
                                                 static_cast<uint16_t>(((c >> 8) & 0xFF) * 257), static_cast<uint16_t>((c & 0xFF) * 257)};
  }
  return makeColorTable(entries.data(), 256, 0, 0);
}

// Closing a Synth releases its media, as the engine's document host does.
class MediaDocumentHost : public document::DocumentHost {
 public:
  void releaseSynthMedia(int synth) override { disposeMovies(synth, true, true); }
};

class MediaTest : public ::testing::Test {
 protected:
  MediaTest() {
    platform::setMemoryStatusSource(&memory);
    platform::startMediaPlatform();
    importerRegistry().build(true, {});
    setFrame(16, QX_LAYOUT_555);
  }
  ~MediaTest() override {
    while (document::synthList().count() > 0) {
      document::synthSlot(0)->modified = 0;
      document::closeSynth(0, false);
    }
    importerRegistry().clear();
    platform::stopMediaPlatform();
    platform::setMemoryStatusSource(nullptr);
  }

  void setFrame(uint32_t depth, uint32_t layout) {
    render::setDepth(frame, depth);
    render::setLayout(frame, layout);
  }

  // A new Synth with `colors` first in its colour table; its index.
  int32_t makeSynth(const std::vector<uint32_t>& colors = {}, const std::string& name = "test.qrx") {
    int32_t synth = document::newSynth(temp / name);
    EXPECT_GE(synth, 0);
    document::SynthSlot* slot = document::synthSlot(synth);
    disposeHandle(slot->colors);
    slot->colors = testColorTable(colors);
    return synth;
  }

  // Appends a picture with `bytes` stored as its data; its index.
  int32_t addPicture(int32_t synth, const std::string& name, const std::string& bytes, FourCC format,
                     Rect16 bounds) {
    MemHandle table = document::synthSlot(synth)->pictures;
    int32_t index = document::PictureTable::count(table);
    EXPECT_TRUE(document::PictureTable::resize(table, index + 1));
    document::PictureEntry* picture = document::pictureEntry(synth, index);
    document::setName(picture->name, name);
    picture->bounds = bounds;
    picture->format = format;
    picture->scale = 1.0f;
    if (!bytes.empty()) {
      EXPECT_EQ(document::storePictureData(synth, index, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
    }
    return index;
  }

  testing::TempFolder temp;
  platform::RecordingAlertSink alerts;
  platform::ScopedAlertSink scopedAlerts{alerts};
  platform::FixedMemoryStatus memory{int64_t{1} << 30};
  render::FrameBuffer frame;
  render::ScopedCurrentFrame scopedFrame{frame};
  TestMediaHost host;
  ScopedMediaHost scopedHost{host};
  MediaDocumentHost documentHost;
  document::ScopedDocumentHost scopedDocumentHost{documentHost};
};

// The pixel value at (x, y) of an offscreen port's map.
inline uint32_t pixelAt(render::OffscreenPort* port, int x, int y) {
  const render::PixelMap* map = render::pixelMapOf(port->pixMap);
  const uint8_t* row = static_cast<const uint8_t*>(map->baseAddr) + static_cast<ptrdiff_t>(y - map->bounds.top) * render::rowBytesOf(*map);
  const int column = x - map->bounds.left;
  switch (map->pixelSize) {
    case 8: return row[column];
    case 16: { uint16_t p; std::memcpy(&p, row + 2 * column, 2); return p; }
    default: { uint32_t p; std::memcpy(&p, row + 4 * column, 4); return p; }
  }
}

// A rectangle as "top,left,bottom,right", for comparing and printing.
inline std::string rectText(const Rect16& r) {
  return std::to_string(r.top) + "," + std::to_string(r.left) + "," + std::to_string(r.bottom) + "," +
         std::to_string(r.right);
}

inline Rect16 portBounds(render::OffscreenPort* port) { return render::pixelMapOf(port->pixMap)->bounds; }

}  // namespace quorix::media
