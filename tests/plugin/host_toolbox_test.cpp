#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/fourcc.h"
#include "common/memory.h"
#include "common/rect.h"
#include "display/drawing_port.h"
#include "document/synth_document.h"
#include "document/synth_list.h"
#include "platform/memory_status.h"
#include "plugin/host_environment.h"
#include "plugin/host_procedures.h"
#include "plugin/host_toolbox.h"
#include "plugin_sdk/status_codes.h"
#include "render/pixel_map.h"
#include "tests/support/temp_folder.h"
#include "ui/dialog.h"
#include "ui/open_dialog_filters.h"

namespace quorix::plugin {
namespace {

using testing::TempFolder;

const HostToolbox& tb() { return hostToolbox(); }

TEST(HostToolbox, ProcedureTwoFiftySevenAnswersTheRecordBehindTheImporterCallBlock) {
  using ToolboxProc = HostToolbox* (*)();
  auto proc = reinterpret_cast<ToolboxProc>(GetHostProc(QX_HOST_PROC_TOOLBOX));
  ASSERT_NE(proc, nullptr);
  HostToolbox* first = proc();
  EXPECT_EQ(first, proc());
  EXPECT_EQ(static_cast<void*>(first), static_cast<void*>(&hostToolbox().importerBlock));
  EXPECT_EQ(first->importerBlock.environment, &hostEnvironment());
  EXPECT_EQ(first->importerBlock.state, nullptr);
  EXPECT_EQ(first->importerBlock.selector, 0);
  for (uint32_t word : first->reserved) EXPECT_EQ(word, 0u);
  // Every one of the slots is filled.
  const auto* slots = reinterpret_cast<void* const*>(&first->newPtr);
  for (int i = 0; i < QX_TOOLBOX_SLOT_COUNT; ++i) EXPECT_NE(slots[i], nullptr) << "slot " << i;
}

TEST(HostToolboxMemory, HandlesAreZeroFilledAndSuccessLeavesTheErrorWord) {
  setMemoryError(QX_ERR_MEMORY);
  MemHandle handle = tb().newHandle(64);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(tb().memoryError(), QX_ERR_MEMORY);  // unchanged by success
  EXPECT_EQ(tb().handleSize(handle), 64);
  for (uint32_t i = 0; i < 64; ++i) ASSERT_EQ(static_cast<uint8_t*>(handle->data)[i], 0) << i;

  std::memcpy(handle->data, "abcd", 4);
  MemHandle copy = tb().duplicateHandle(handle);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->data, handle->data);
  EXPECT_EQ(std::memcmp(copy->data, "abcd", 4), 0);
  EXPECT_EQ(tb().memoryError(), QX_ERR_MEMORY);
  EXPECT_EQ(tb().duplicateHandle(nullptr), nullptr);
  tb().disposeHandle(copy);
  tb().disposeHandle(handle);
  tb().disposeHandle(nullptr);

  for (int32_t size : {-1, INT32_MIN}) {
    setMemoryError(QX_OK);
    EXPECT_EQ(tb().newHandle(size), nullptr) << size;
    EXPECT_EQ(tb().memoryError(), QX_ERR_MEMORY) << size;
    setMemoryError(QX_OK);
    EXPECT_EQ(tb().newPtr(size), nullptr) << size;
    EXPECT_EQ(tb().memoryError(), QX_ERR_MEMORY) << size;
  }
}

TEST(HostToolboxMemory, FailedAllocationsReturnNullAndSetTheErrorWord) {
  MemHandle source = tb().newHandle(8);
  {
    ScopedAllocationFailure failure(0);
    setMemoryError(QX_OK);
    EXPECT_EQ(tb().newPtr(16), nullptr);
    EXPECT_EQ(tb().memoryError(), QX_ERR_MEMORY);
    setMemoryError(QX_OK);
    EXPECT_EQ(tb().newHandle(16), nullptr);
    EXPECT_EQ(tb().memoryError(), QX_ERR_MEMORY);
    setMemoryError(QX_OK);
    EXPECT_EQ(tb().duplicateHandle(source), nullptr);
    EXPECT_EQ(tb().memoryError(), QX_ERR_MEMORY);
    setMemoryError(QX_OK);
    tb().compactMemory();
    EXPECT_EQ(tb().memoryError(), QX_ERR_MEMORY);
  }
  tb().compactMemory();
  EXPECT_EQ(tb().memoryError(), QX_OK);
  void* block = tb().newPtr(0);
  EXPECT_NE(block, nullptr);
  EXPECT_EQ(tb().memoryError(), QX_OK);
  tb().disposePtr(block);
  tb().disposeHandle(source);
}

TEST(HostToolboxMemory, ResizingKeepsTheContentsAndAFailureLeavesTheHandleAsItWas) {
  MemHandle handle = tb().newHandle(4);
  std::memcpy(handle->data, "keep", 4);

  setMemoryError(QX_ERR_MEMORY);
  void* grown = tb().setHandleSize(handle, 4096);
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(grown, handle->data);
  EXPECT_EQ(tb().handleSize(handle), 4096);
  EXPECT_EQ(tb().memoryError(), QX_OK);
  EXPECT_EQ(std::memcmp(handle->data, "keep", 4), 0);

  void* before = handle->data;
  {
    ScopedAllocationFailure failure(0);
    EXPECT_EQ(tb().setHandleSize(handle, 1 << 20), nullptr);
  }
  EXPECT_EQ(tb().memoryError(), QX_ERR_MEMORY);
  EXPECT_EQ(handle->data, before);
  EXPECT_EQ(tb().handleSize(handle), 4096);
  EXPECT_EQ(std::memcmp(handle->data, "keep", 4), 0);

  setMemoryError(QX_OK);
  EXPECT_EQ(tb().setHandleSize(handle, -1), nullptr);
  EXPECT_EQ(tb().memoryError(), QX_ERR_MEMORY);
  EXPECT_EQ(tb().handleSize(handle), 4096);
  EXPECT_EQ(tb().setHandleSize(nullptr, 8), nullptr);
  tb().disposeHandle(handle);
}

TEST(HostToolboxMemory, FreeMemoryIsTheClampedAvailableMemory) {
  for (int64_t bytes : {int64_t{123456}, int64_t{1} << 40, int64_t{-5}}) {
    platform::FixedMemoryStatus status(bytes);
    platform::setMemoryStatusSource(&status);
    int32_t expected = static_cast<int32_t>(std::clamp<int64_t>(bytes, 0, 0x7FFFFFFF));
    EXPECT_EQ(tb().freeMemory(), expected) << bytes;
    EXPECT_EQ(tb().maxMemory(), expected) << bytes;
  }
  platform::setMemoryStatusSource(nullptr);
  EXPECT_EQ(tb().memoryReady(), 1);
  EXPECT_EQ(tb().identity(-77), -77);
  EXPECT_EQ(tb().alwaysMinusOne(), -1);
}

TEST(HostToolboxPorts, SameColorsComparesTheHighBytesOfTheFirstEntries) {
  const ColorEntry a[3] = {{0, 0x1200, 0x3400, 0x5600}, {1, 0xFF00, 0, 0}, {2, 1, 2, 3}};
  const ColorEntry lowBytesDiffer[3] = {{9, 0x12FF, 0x3401, 0x56AA}, {1, 0xFF00, 0, 0}, {2, 9, 9, 9}};
  const ColorEntry secondDiffers[3] = {{0, 0x1200, 0x3400, 0x5600}, {1, 0xFE00, 0, 0}, {2, 1, 2, 3}};
  struct Case {
    const ColorEntry* b;
    int32_t count;
    int32_t expected;
  } cases[] = {
      {lowBytesDiffer, 3, 1}, {secondDiffers, 1, 1}, {secondDiffers, 2, 0},
      {secondDiffers, 0, 1},  {secondDiffers, -4, 1}, {nullptr, 0, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tb().sameColors(a, c.b, c.count), c.expected) << c.count;
  }
}

TEST(HostToolboxPorts, OffscreenPortsAreMadeDescribedMadeCurrentAndCopiedInto) {
  display::setPort(static_cast<render::OffscreenPort*>(nullptr));
  PortRef port = nullptr;
  Rect16 bounds{0, 0, 3, 5};
  ASSERT_EQ(tb().newOffscreenPort(&port, 32, &bounds, nullptr, nullptr, 0), 0);
  ASSERT_NE(port, nullptr);
  BufferDesc desc{};
  EXPECT_EQ(tb().describePort(port, &desc), 1);
  EXPECT_EQ(desc.bitsPerPixel, 32u);
  EXPECT_TRUE(desc.bounds == bounds);
  EXPECT_NE(desc.baseAddr, nullptr);
  EXPECT_EQ(tb().lockPixels(nullptr), 1);

  PortRef current = reinterpret_cast<PortRef>(1);
  tb().getPort(&current);
  EXPECT_EQ(current, nullptr);
  tb().setPort(port);
  tb().getPort(&current);
  EXPECT_EQ(current, port);

  // A 32-bit picture map copied into the current port.
  Rect16 pictureBounds{0, 0, 1, 2};
  MemHandle picture = render::newPixelMap(32, pictureBounds, nullptr, true);
  auto* pixels = static_cast<uint32_t*>(render::pixelMapOf(picture)->baseAddr);
  pixels[0] = 0x00112233;
  pixels[1] = 0x00445566;
  auto* rows = static_cast<uint8_t*>(desc.baseAddr);
  std::memset(rows, 0, static_cast<size_t>(desc.rowBytes) * 3);
  Rect16 into{1, 2, 2, 4};
  tb().copyBits(&picture, nullptr, &pictureBounds, &into, 0, nullptr);
  auto pixel = [&](int y, int x) {
    uint32_t value;
    std::memcpy(&value, rows + y * desc.rowBytes + x * 4, 4);
    return value & 0xFFFFFF;
  };
  EXPECT_EQ(pixel(1, 2), 0x112233u);
  EXPECT_EQ(pixel(1, 3), 0x445566u);
  EXPECT_EQ(pixel(0, 2), 0u);
  EXPECT_EQ(pixel(1, 4), 0u);
  tb().copyBits(&picture, nullptr, nullptr, &into, 0, nullptr);  // no rectangle: nothing

  // Disposing the current port leaves no port current.
  tb().disposeOffscreenPort(port);
  tb().getPort(&current);
  EXPECT_EQ(current, nullptr);
  tb().disposeOffscreenPort(nullptr);
  render::disposePixelMap(picture);
}

TEST(HostToolboxPorts, NewOffscreenPortWritesNullWhenItCannotBeMade) {
  Rect16 bounds{0, 0, 8, 8};
  struct Case {
    int32_t depth;
    const Rect16* bounds;
    long successes;  // allocations allowed, -1 for all
  } cases[] = {{32, &bounds, 0}, {32, &bounds, 1}, {8, &bounds, 2}, {-8, &bounds, -1},
               {32, nullptr, -1}, {12, &bounds, -1}};
  for (const Case& c : cases) {
    PortRef port = reinterpret_cast<PortRef>(1);
    setMemoryError(QX_OK);
    {
      ScopedAllocationFailure failure(c.successes);
      EXPECT_EQ(tb().newOffscreenPort(&port, c.depth, c.bounds, nullptr, nullptr, 0), 0);
    }
    EXPECT_EQ(port, nullptr) << c.depth << " " << c.successes;
    EXPECT_EQ(tb().memoryError(), QX_ERR_MEMORY) << c.depth << " " << c.successes;
  }
  EXPECT_EQ(tb().newOffscreenPort(nullptr, 32, &bounds, nullptr, nullptr, 0), 0);
}

// Files: a specification holds the path at byte 10.
class HostToolboxFiles : public ::testing::Test {
 protected:
  document::FileSpec spec(const std::string& path) {
    document::FileSpec made;
    document::setFilePath(made, path);
    return made;
  }
  TempFolder folder;
};

TEST_F(HostToolboxFiles, ReadsMissingShortAndWholeFilesWithTheContainerStatus) {
  std::string eight = folder.write("eight.bin", "ABCDEFGH");
  struct Case {
    std::string path;
    int32_t open;
    int32_t size;
    int32_t firstCount;
    int32_t firstStatus;
    int32_t secondCount;
    int32_t secondStatus;
  } cases[] = {
      {eight, 1, 8, 8, 0, 0, 0},                   // the whole file
      {eight, 1, 8, 5, 0, 3, 0},                   // in two parts
      {eight, 1, 8, 6, 0, 4, QX_ERR_SHORT_READ},   // the second runs past the end
      {eight, 1, 8, 9, QX_ERR_SHORT_READ, 1, QX_ERR_SHORT_READ},  // short at once, then stuck
      {eight, 1, 8, -1, QX_ERR_SHORT_READ, 0, QX_ERR_SHORT_READ},
      {folder / "missing.bin", 0, 0, 4, QX_ERR_OPEN_FAILED, 0, QX_ERR_OPEN_FAILED},
      {folder.path(), 0, 0, 1, QX_ERR_OPEN_FAILED, 0, QX_ERR_OPEN_FAILED},  // a folder
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " " + std::to_string(c.firstCount));
    document::FileSpec made = spec(c.path);
    FileRef file = tb().openFile(&made, 1, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(tb().isFileOpen(file), c.open);
    EXPECT_EQ(tb().fileSize(file), c.size);
    char buffer[16] = {};
    EXPECT_EQ(tb().readFile(file, buffer, c.firstCount), c.firstStatus);
    if (c.firstStatus == 0) {
      EXPECT_EQ(std::string(buffer, c.firstCount), std::string("ABCDEFGH", c.firstCount));
    }
    char rest[16] = {};
    EXPECT_EQ(tb().readFile(file, rest, c.secondCount), c.secondStatus);
    if (c.firstStatus != 0) {
      EXPECT_EQ(rest[0], 0);  // nothing more is read
    }
    tb().closeFile(file);
  }
}

TEST_F(HostToolboxFiles, SizeRewindsAndOpenModesFollowTheContainer) {
  std::string path = folder.write("data.bin", "0123456789");
  document::FileSpec made = spec(path);
  FileRef file = tb().openFile(&made, 1, 0);
  char buffer[4] = {};
  EXPECT_EQ(tb().readFile(file, buffer, 4), 0);
  EXPECT_EQ(tb().fileSize(file), 10);  // and back to the start
  EXPECT_EQ(tb().readFile(file, buffer, 4), 0);
  EXPECT_EQ(std::string(buffer, 4), "0123");
  tb().closeFile(file);

  // Writable without keeping: the file is made empty; keeping: it stays.
  file = tb().openFile(&made, 1, 1);
  EXPECT_EQ(tb().fileSize(file), 10);
  tb().closeFile(file);
  file = tb().openFile(&made, 0, 1);
  EXPECT_EQ(tb().isFileOpen(file), 1);
  EXPECT_EQ(tb().fileSize(file), 0);
  tb().closeFile(file);

  // No specification, or an empty path: a file object whose status reads -1.
  document::FileSpec empty{};
  for (const void* noPath : {static_cast<const void*>(nullptr), static_cast<const void*>(&empty)}) {
    file = tb().openFile(noPath, 1, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(tb().isFileOpen(file), 0);
    EXPECT_EQ(tb().readFile(file, buffer, 1), QX_ERR_NO_PATH);
    tb().closeFile(file);
  }
  tb().closeFile(nullptr);
  EXPECT_EQ(tb().fileSize(nullptr), 0);
  EXPECT_EQ(tb().isFileOpen(nullptr), 0);

  // A path that fills its field with no terminator is cut at the field's end, never read past.
  document::FileSpec unterminated{};
  std::memset(unterminated.path, 'x', sizeof unterminated.path);
  std::memset(unterminated.padding, 'y', sizeof unterminated.padding);
  file = tb().openFile(&unterminated, 1, 0);
  EXPECT_EQ(tb().isFileOpen(file), 0);
  tb().closeFile(file);

  ScopedAllocationFailure failure(0);
  EXPECT_EQ(tb().openFile(&made, 1, 0), nullptr);
}

TEST(HostToolboxFilters, TheSlotAddsToTheOpenDialogList) {
  ui::FileFilterList& list = ui::openDialogFilters();
  list.clear();
  tb().addFileFilter("Mac Pict File (*.PCT)\0*.PCT");
  tb().addFileFilter(nullptr);
  EXPECT_EQ(list.used(), 27);
  EXPECT_EQ(list.count(), 1);
  ASSERT_EQ(list.filters().size(), 1u);
  EXPECT_EQ(list.filters()[0].second, "*.PCT");
  list.clear();
}

// Dialogs through the slots, answered by a scripted driver.
class HostToolboxDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog = tb().newDialog(ui::kEffectSettingsDialogId, nullptr, nullptr);
    ASSERT_NE(dialog, nullptr);
  }
  void TearDown() override { tb().disposeDialog(dialog); }

  DialogRef dialog = nullptr;
  ui::ScriptedDialogDriver driver;
  ui::ScopedDialogDriver scoped{driver};
};

TEST_F(HostToolboxDialogs, UnknownTemplatesGiveNoDialogAndNullIsIgnored) {
  EXPECT_EQ(tb().newDialog(4242, nullptr, nullptr), nullptr);
  tb().disposeDialog(nullptr);
  tb().showDialog(nullptr);
  EXPECT_EQ(tb().getItemValue(nullptr, 7, nullptr), 0);
  EXPECT_EQ(tb().getItemControl(dialog, 99), nullptr);
  EXPECT_EQ(tb().getItemControl(dialog, 0), nullptr);
}

TEST_F(HostToolboxDialogs, ItemTextInBothFormsIsCutAt255Characters) {
  tb().setItemText(dialog, 4, "\x05hello world", 1);
  char buffer[260];
  std::memset(buffer, '#', sizeof buffer);
  tb().getItemText(dialog, 4, buffer, 0);
  EXPECT_STREQ(buffer, "hello");
  tb().getItemText(dialog, 4, buffer, 1);
  EXPECT_EQ(buffer[0], 5);
  EXPECT_EQ(std::string(buffer + 1, 5), "hello");

  std::string longText(300, 'z');
  tb().setItemText(dialog, 4, longText.c_str(), 0);
  std::memset(buffer, '#', sizeof buffer);
  tb().getItemText(dialog, 4, buffer, 0);
  EXPECT_EQ(std::strlen(buffer), 255u);
  EXPECT_EQ(buffer[256], '#');  // a 256-byte buffer is enough
  tb().getItemText(dialog, 4, buffer, 1);
  EXPECT_EQ(static_cast<uint8_t>(buffer[0]), 255);

  std::memset(buffer, '#', sizeof buffer);
  tb().getItemText(dialog, 99, buffer, 0);  // no such item: empty
  EXPECT_EQ(buffer[0], 0);
}

TEST_F(HostToolboxDialogs, NumbersAreWrittenAndReadAsItemText) {
  struct Case {
    const char* text;
    int32_t integer;
    double real;
  } cases[] = {{"42", 42, 42.0},         {"-17", -17, -17.0}, {"  8 apples", 8, 8.0},
               {"abc", 0, 0.0},          {"", 0, 0.0},        {"3.75", 3, 3.75},
               {"99999999999", INT32_MAX, 99999999999.0},  {"-99999999999", INT32_MIN, -99999999999.0}};
  for (const Case& c : cases) {
    tb().setItemText(dialog, 10, c.text, 0);
    int32_t out = 1;
    EXPECT_EQ(tb().getItemInteger(dialog, 10, &out), c.integer) << c.text;
    EXPECT_EQ(out, c.integer) << c.text;
    EXPECT_DOUBLE_EQ(tb().getItemFloat(dialog, 10), c.real) << c.text;
  }
  char buffer[256];
  tb().setItemInteger(dialog, 12, -2048);
  tb().getItemText(dialog, 12, buffer, 0);
  EXPECT_STREQ(buffer, "-2048");
  for (auto [value, text] : {std::pair{1.5f, "1.50"}, std::pair{0.125f, "0.12"}, std::pair{-3.0f, "-3.00"}}) {
    tb().setItemFloat(dialog, 12, value);
    tb().getItemText(dialog, 12, buffer, 0);
    EXPECT_STREQ(buffer, text);
  }
}

TEST_F(HostToolboxDialogs, CheckBoxesAndItemControls) {
  EXPECT_EQ(tb().getItemValue(dialog, 7, nullptr), 0);
  tb().setItemValue(dialog, 7, 1);
  int32_t out = -1;
  EXPECT_EQ(tb().getItemValue(dialog, 7, &out), 1);
  EXPECT_EQ(out, 1);
  EXPECT_EQ(tb().getItemValue(dialog, 8, nullptr), 1);  // a radio button on in the template

  // The check box's control starts from its state, then holds the value.
  ControlRef check = tb().getItemControl(dialog, 7);
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(tb().getItemControl(dialog, 7), check);  // made once
  EXPECT_EQ(tb().getControlValue(check), 1);
  tb().setControlValue(check, 0);
  EXPECT_EQ(tb().getItemValue(dialog, 7, nullptr), 0);

  // A scroll bar clamps to its range; lowering the maximum lowers the value.
  ControlRef scroll = tb().getItemControl(dialog, 17);
  ASSERT_NE(scroll, nullptr);
  tb().setItemValue(dialog, 17, 250);
  EXPECT_EQ(tb().getControlValue(scroll), 100);
  tb().setControlMaximum(scroll, 40);
  EXPECT_EQ(tb().getItemValue(dialog, 17, nullptr), 40);
  tb().setControlValue(scroll, -3);
  EXPECT_EQ(tb().getControlValue(scroll), 0);
  tb().setControlMaximum(check, 0);  // not a scroll bar: nothing
  tb().setControlValue(check, 7);
  EXPECT_EQ(tb().getControlValue(check), 7);

  // The popup menu item's control counts its entries from 1.
  ControlRef popup = tb().getItemControl(dialog, 6);
  tb().setControlValue(popup, 3);
  EXPECT_EQ(tb().getItemValue(dialog, 6, nullptr), 3);
  tb().setControlValue(popup, 9);
  EXPECT_EQ(tb().getItemValue(dialog, 6, nullptr), 3);

  tb().disableItem(dialog, 5);
  auto* items = reinterpret_cast<const display::WindowPort*>(dialog);
  ASSERT_NE(items->window, nullptr);
  tb().enableItem(dialog, 5);
}

TEST_F(HostToolboxDialogs, ControlsOfTheKnownKindsBelongToTheirWindow) {
  Rect16 bounds{0, 0, 16, 100};
  struct Case {
    int32_t kind;
    bool made;
    int32_t valueAfterSetting500;
  } cases[] = {{0, true, 500}, {1, true, 500}, {4, true, 500}, {16, true, 20},
               {1008, true, 3}, {2, false, 0},  {8, false, 0},  {-1, false, 0}};
  auto window = reinterpret_cast<WindowRef>(dialog);
  for (const Case& c : cases) {
    ControlRef control = tb().newControl(window, &bounds, "A;B;C", 1, 2, 1, 20, c.kind, 7);
    EXPECT_EQ(control != nullptr, c.made) << c.kind;
    if (control == nullptr) continue;
    EXPECT_EQ(tb().getControlValue(control), 2) << c.kind;
    tb().setControlValue(control, 500);
    EXPECT_EQ(tb().getControlValue(control), c.valueAfterSetting500) << c.kind;
  }
  ControlRef kept = tb().newControl(reinterpret_cast<WindowRef>(&bounds), &bounds, nullptr, 1, 5, 0, 9, 16, 0);
  ControlRef gone = tb().newControl(window, &bounds, "x", 1, 5, 0, 9, 16, 0);
  tb().disposeControls(window);
  EXPECT_EQ(tb().getControlValue(gone), 0);  // freed with its window's controls
  tb().setControlValue(gone, 3);             // and no longer reached
  EXPECT_EQ(tb().getControlValue(kept), 5);
  tb().disposeControls(reinterpret_cast<WindowRef>(&bounds));
}

TEST_F(HostToolboxDialogs, PopupMenusSelectTheirEntriesFromOne) {
  Rect16 bounds{0, 0, 20, 120};
  PopupRef popup = tb().newPopup(reinterpret_cast<WindowRef>(dialog), &bounds, "Red;Green;Blue", 2, 1, 0, 0);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(tb().getPopupSelection(popup), 2);
  for (auto [entry, selected] : {std::pair{3, 3}, std::pair{1, 1}, std::pair{4, 3}, std::pair{0, 1}}) {
    tb().setPopupSelection(popup, entry);
    EXPECT_EQ(tb().getPopupSelection(popup), selected) << entry;
  }
  tb().disposePopup(popup);
  tb().disposePopup(nullptr);
  EXPECT_EQ(tb().getPopupSelection(nullptr), 0);
}

TEST_F(HostToolboxDialogs, ShowMakesTheDialogTheCurrentPortAndTheModalLoopAnswersIt) {
  PortRef port = nullptr;
  int16_t hit = -1;
  tb().modalDialog(nullptr, &hit);
  EXPECT_EQ(hit, 2);  // no dialog is current: Cancel
  EXPECT_EQ(driver.answered, 0);

  tb().showDialog(dialog);
  tb().getPort(&port);
  EXPECT_EQ(static_cast<void*>(port), static_cast<void*>(dialog));

  driver.hit(7);
  driver.hit(16, [](ui::Dialog& d) { d.setItemText(16, "12"); });
  driver.hit(1);
  std::vector<int16_t> hits;
  do {
    tb().modalDialog(nullptr, &hit);
    hits.push_back(hit);
  } while (hit != 1 && hit != 2);
  EXPECT_EQ(hits, (std::vector<int16_t>{7, 16, 1}));
  EXPECT_EQ(tb().getItemInteger(dialog, 16, nullptr), 12);

  // Disposing the current dialog leaves no port current.
  tb().disposeDialog(dialog);
  dialog = nullptr;
  tb().getPort(&port);
  EXPECT_EQ(port, nullptr);
}

TEST(HostToolboxBlobs, BlobsAreAddedFoundAndReplacedById) {
  TempFolder folder;
  int32_t synth = document::newSynth(folder / "blobs.qrx");
  ASSERT_GE(synth, 0);
  MemHandle first = newHandle(4);
  MemHandle second = newHandle(4);
  EXPECT_EQ(tb().addBlob(synth, first, fourcc("TEST")), 1);
  EXPECT_EQ(tb().addBlob(synth, second, fourcc("TEST")), 2);
  EXPECT_EQ(tb().findBlob(synth, 1), first);
  EXPECT_EQ(tb().findBlob(synth, 2), second);
  EXPECT_EQ(tb().findBlob(synth, 3), nullptr);
  EXPECT_EQ(tb().findBlob(synth + 1, 1), nullptr);

  MemHandle replacement = newHandle(8);
  EXPECT_EQ(tb().replaceBlob(synth, 1, replacement), 0);
  EXPECT_EQ(tb().findBlob(synth, 1), replacement);
  // Setting back the handle a blob already holds keeps it alive.
  EXPECT_EQ(tb().replaceBlob(synth, 1, replacement), 0);
  EXPECT_EQ(handleSize(tb().findBlob(synth, 1)), 8u);
  document::closeSynth(synth, false);
}

}  // namespace
}  // namespace quorix::plugin
