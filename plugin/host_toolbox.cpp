#include "plugin/host_toolbox.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/memory.h"
#include "display/drawing_port.h"
#include "display/gdi_output.h"
#include "document/blobs.h"
#include "document/file_object.h"
#include "document/synth_list.h"
#include "platform/memory_status.h"
#include "plugin/host_environment.h"
#include "plugin_sdk/status_codes.h"
#include "render/buffer_descriptor.h"
#include "render/offscreen_port.h"
#include "ui/dialog.h"
#include "ui/open_dialog_filters.h"

namespace ui = quorix::ui;
namespace display = quorix::display;
namespace document = quorix::document;
namespace render = quorix::render;

// The records behind the SDK's opaque references.
struct QxFileObject {
  document::FileObject file;
};

// A dialog starts with its window port, so that a DialogRef is also a PortRef.
struct QxDialog {
  display::WindowPort port;
  std::unique_ptr<ui::Dialog> dialog;
};

struct QxPopup {
  ui::Control* control;
};

namespace quorix::plugin {
namespace {

constexpr size_t kItemTextLimit = 255;

// Slots run plug-in requests: nothing may throw past them. Running out of memory in the C++
// parts reads as a failed allocation.
template <typename Result, typename Body>
Result guarded(Result fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    setMemoryError(QX_ERR_MEMORY);
  } catch (...) {
  }
  return fallback;
}

template <typename Body>
void guarded(Body&& body) noexcept {
  guarded(0, [&] {
    body();
    return 0;
  });
}

std::vector<QxDialog*>& liveDialogs() {
  static std::vector<QxDialog*> dialogs;
  return dialogs;
}

QxDialog* knownDialog(const void* ref) {
  const std::vector<QxDialog*>& dialogs = liveDialogs();
  auto at = std::find(dialogs.begin(), dialogs.end(), ref);
  return at != dialogs.end() ? *at : nullptr;
}

ui::Dialog* dialogOf(DialogRef ref) {
  QxDialog* dialog = knownDialog(ref);
  return dialog != nullptr ? dialog->dialog.get() : nullptr;
}

ui::Control* controlOf(ControlRef ref) {
  auto* control = reinterpret_cast<ui::Control*>(ref);
  return ui::isControl(control) ? control : nullptr;
}

// Makes `port` current. The previous port, when it is another offscreen port holding a device
// context, gives its context back first, so that what was drawn reaches its pixels.
void makeCurrent(const display::DrawingPort& port) {
  display::DrawingPort previous = display::currentPort();
  if (previous.offscreen != nullptr && previous.offscreen != port.offscreen) {
    display::releaseOffscreenPortDC(previous.offscreen);
  }
  if (port.window != nullptr) {
    display::setPort(port.window);
  } else {
    display::setPort(port.offscreen);
  }
}

// Forgets a port that is going away when it is the current one.
void leaveIfCurrent(PortRef port) {
  if (display::refOfPort(display::currentPort()) == port) {
    display::setPort(static_cast<render::OffscreenPort*>(nullptr));
  }
}

std::string boundedText(const char* text, size_t limit) {
  return text != nullptr ? std::string(text, strnlen(text, limit)) : std::string();
}

int32_t parseInteger(const std::string& text) {
  long long value = std::strtoll(text.c_str(), nullptr, 10);
  return static_cast<int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

}  // namespace
}  // namespace quorix::plugin

using namespace quorix;
using namespace quorix::plugin;

// The slots, in the record's order. Each keeps to C types and catches what it calls.
extern "C" {

// Memory.

static void* tbNewPtr(int32_t size) {
  if (size < 0) {
    setMemoryError(QX_ERR_MEMORY);
    return nullptr;
  }
  return engineAllocate(static_cast<size_t>(size));
}

static void tbDisposePtr(void* block) { engineFree(block); }

// A zero-filled block. Success leaves the memory error word as it was.
static MemHandle tbNewHandle(int32_t size) {
  int32_t before = memoryError();
  MemHandle handle = size >= 0 ? newHandle(static_cast<uint32_t>(size)) : nullptr;
  if (handle == nullptr) {
    setMemoryError(QX_ERR_MEMORY);
    return nullptr;
  }
  std::memset(handle->data, 0, handle->size);
  setMemoryError(before);
  return handle;
}

static void tbDisposeHandle(MemHandle handle) { disposeHandle(handle); }

static void* tbSetHandleSize(MemHandle handle, int32_t size) {
  if (handle == nullptr || size < 0 || !setHandleSize(handle, static_cast<uint32_t>(size))) {
    setMemoryError(QX_ERR_MEMORY);
    return nullptr;
  }
  setMemoryError(QX_OK);
  return handle->data;
}

// Blocks never move: locking, unlocking and moving high need no work.
static void tbHandleNoWork(MemHandle) {}

static int32_t tbMemoryError(void) { return memoryError(); }

static void tbCompactMemory(void) {
  void* blocks[20];
  for (void*& block : blocks) block = engineAllocate(1024);
  for (void* block : blocks) engineFree(block);
}

static int32_t tbHandleSize(MemHandle handle) {
  return static_cast<int32_t>(std::min<uint32_t>(handleSize(handle), INT32_MAX));
}

static int32_t tbOne(void) { return 1; }

static int32_t tbFreeMemory(void) { return platform::availableMemory(); }

// A copy of the handle. Success leaves the memory error word as it was.
static MemHandle tbDuplicateHandle(MemHandle handle) {
  if (handle == nullptr) return nullptr;
  int32_t before = memoryError();
  MemHandle copy = newHandleCopy(handle->data, handle->size);
  if (copy == nullptr) {
    setMemoryError(QX_ERR_MEMORY);
    return nullptr;
  }
  setMemoryError(before);
  return copy;
}

// Ports and pixels.

static int32_t tbDescribePort(PortRef port, BufferDesc* out) {
  if (out != nullptr) *out = render::bufferDescFromPort(display::portOfRef(port).offscreen);
  return 1;
}

// 1 when the first `count` entries agree in the high bytes of their three components.
static int32_t tbSameColors(const ColorEntry* a, const ColorEntry* b, int32_t count) {
  if (count < 1) return 1;
  if (a == nullptr || b == nullptr) return 0;
  for (int32_t i = 0; i < count; ++i) {
    if ((a[i].red >> 8) != (b[i].red >> 8) || (a[i].green >> 8) != (b[i].green >> 8) ||
        (a[i].blue >> 8) != (b[i].blue >> 8)) {
      return 0;
    }
  }
  return 1;
}

static void tbSetPort(PortRef port) {
  guarded([&] { makeCurrent(display::portOfRef(port)); });
}

static void tbGetPort(PortRef* port) {
  if (port != nullptr) *port = display::refOfPort(display::currentPort());
}

static int32_t tbNewOffscreenPort(PortRef* port, int32_t depth, const Rect16* bounds,
                                  MemHandle colorTable, void* /*device*/, uint32_t flags) {
  if (port == nullptr) return 0;
  *port = nullptr;
  if (bounds == nullptr || depth <= 0) {
    setMemoryError(QX_ERR_MEMORY);
    return 0;
  }
  render::OffscreenPort* made = nullptr;
  render::newOffscreenPort(&made, static_cast<uint32_t>(depth), *bounds, colorTable, flags);
  *port = made;
  return 0;
}

static int32_t tbLockPixels(MemHandle) { return 1; }

static void tbCopyBits(MemHandle* sourceMap, MemHandle* destinationMap, const Rect16* sourceRect,
                       const Rect16* destinationRect, int32_t mode, MemHandle mask) {
  if (sourceRect == nullptr || destinationRect == nullptr) return;
  guarded([&] {
    display::DrawingPort current = display::currentPort();
    MemHandle source = sourceMap != nullptr ? *sourceMap : nullptr;
    if (source == nullptr) source = render::portPixelMap(current.offscreen);
    MemHandle destination = destinationMap != nullptr ? *destinationMap : nullptr;
    if (destination == nullptr && current.window != nullptr) {
      display::copyBitsToWindow(source, *sourceRect, *destinationRect, mode, mask);
      return;
    }
    if (destination == nullptr) destination = render::portPixelMap(current.offscreen);
    display::copyBitsToMap(source, destination, *sourceRect, *destinationRect, mode, mask);
  });
}

static void tbDisposeOffscreenPort(PortRef port) {
  render::OffscreenPort* offscreen = display::portOfRef(port).offscreen;
  if (offscreen == nullptr) return;
  guarded([&] {
    leaveIfCurrent(port);
    display::releaseOffscreenPortDC(offscreen);
    render::disposeOffscreenPort(offscreen);
  });
}

// Files.

static FileRef tbOpenFile(const void* specification, int32_t keepExisting, int32_t writable) {
  void* block = engineAllocate(sizeof(QxFileObject));
  if (block == nullptr) return nullptr;
  auto* object = new (block) QxFileObject;
  if (specification != nullptr) {
    guarded([&] {
      object->file.open(*static_cast<const document::FileSpec*>(specification),
                        keepExisting != 0, writable != 0);
    });
  }
  return object;
}

static void tbCloseFile(FileRef file) {
  if (file == nullptr) return;
  file->~QxFileObject();
  engineFree(file);
}

static int32_t tbFileSize(FileRef file) {
  if (file == nullptr) return 0;
  return static_cast<int32_t>(std::min<int64_t>(file->file.size(), INT32_MAX));
}

static int32_t tbReadFile(FileRef file, void* buffer, int32_t count) {
  if (file == nullptr) return QX_ERR_NO_PATH;
  return file->file.read(buffer, count);
}

static int32_t tbIsFileOpen(FileRef file) {
  return file != nullptr && file->file.isOpen() ? 1 : 0;
}

static void tbAddFileFilter(const char* descriptionThenPattern) {
  if (descriptionThenPattern == nullptr) return;
  const char* pattern = descriptionThenPattern + std::strlen(descriptionThenPattern) + 1;
  ui::openDialogFilters().add(descriptionThenPattern, pattern);
}

// Dialogs, items and controls.

static int32_t tbGetItemValue(DialogRef dialog, int32_t item, int32_t* value) {
  ui::Dialog* d = dialogOf(dialog);
  int32_t result = d != nullptr ? d->itemValue(item) : 0;
  if (value != nullptr) *value = result;
  return result;
}

static void tbSetItemValue(DialogRef dialog, int32_t item, int32_t value) {
  if (ui::Dialog* d = dialogOf(dialog)) d->setItemValue(item, value);
}

// Form 1: a counted string; otherwise zero-terminated.
static void tbSetItemText(DialogRef dialog, int32_t item, const char* text, int32_t form) {
  ui::Dialog* d = dialogOf(dialog);
  if (d == nullptr || text == nullptr) return;
  guarded([&] {
    if (form == 1) {
      d->setItemText(item, std::string(text + 1, static_cast<uint8_t>(text[0])));
    } else {
      d->setItemText(item, boundedText(text, kItemTextLimit));
    }
  });
}

// Writes at most 255 characters and the terminator (or the length byte) into the buffer.
static void tbGetItemText(DialogRef dialog, int32_t item, char* buffer, int32_t form) {
  if (buffer == nullptr) return;
  ui::Dialog* d = dialogOf(dialog);
  guarded([&] {
    std::string text = d != nullptr ? d->itemText(item) : std::string();
    size_t length = std::min(text.size(), kItemTextLimit);
    if (form == 1) {
      buffer[0] = static_cast<char>(length);
      std::memcpy(buffer + 1, text.data(), length);
    } else {
      std::memcpy(buffer, text.data(), length);
      buffer[length] = 0;
    }
  });
}

static void tbDisableItem(DialogRef dialog, int32_t item) {
  if (ui::Dialog* d = dialogOf(dialog)) d->enableItem(item, false);
}

static void tbEnableItem(DialogRef dialog, int32_t item) {
  if (ui::Dialog* d = dialogOf(dialog)) d->enableItem(item, true);
}

static void tbSetItemInteger(DialogRef dialog, int32_t item, int32_t value) {
  if (ui::Dialog* d = dialogOf(dialog)) guarded([&] { d->setItemText(item, std::to_string(value)); });
}

static int32_t tbGetItemInteger(DialogRef dialog, int32_t item, int32_t* value) {
  ui::Dialog* d = dialogOf(dialog);
  int32_t result = guarded(0, [&] { return d != nullptr ? parseInteger(d->itemText(item)) : 0; });
  if (value != nullptr) *value = result;
  return result;
}

static void tbSetItemFloat(DialogRef dialog, int32_t item, float value) {
  ui::Dialog* d = dialogOf(dialog);
  if (d == nullptr) return;
  char text[64];
  std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(value));
  guarded([&] { d->setItemText(item, text); });
}

static double tbGetItemFloat(DialogRef dialog, int32_t item) {
  ui::Dialog* d = dialogOf(dialog);
  return guarded(0.0, [&] {
    return d != nullptr ? std::strtod(d->itemText(item).c_str(), nullptr) : 0.0;
  });
}

// A dialog from the library's templates, owned by the window of the current port.
static DialogRef tbNewDialog(int32_t resourceId, void* /*storage*/, void* /*behind*/) {
  return guarded<DialogRef>(nullptr, [&]() -> DialogRef {
    display::DrawingPort current = display::currentPort();
    platform::Window* owner = current.window != nullptr ? current.window->window : nullptr;
    std::unique_ptr<ui::Dialog> dialog = ui::Dialog::create(resourceId, owner);
    if (dialog == nullptr) return nullptr;
    auto made = std::make_unique<QxDialog>();
    made->port.kind = display::kWindowPortKind;
    made->port.window = dialog->window();
    made->dialog = std::move(dialog);
    liveDialogs().push_back(made.get());
    return made.release();
  });
}

static void tbDisposeDialog(DialogRef dialog) {
  QxDialog* known = knownDialog(dialog);
  if (known == nullptr) return;
  guarded([&] {
    leaveIfCurrent(reinterpret_cast<PortRef>(&known->port));
    ui::disposeControls(known);
    std::erase(liveDialogs(), known);
    delete known;
  });
}

static intptr_t tbIdentity(intptr_t value) { return value; }

static void tbModalDialog(void* /*filter*/, int16_t* itemHit) {
  int16_t hit = guarded<int16_t>(2, [] {
    QxDialog* current = knownDialog(display::currentPort().window);
    return current != nullptr ? ui::modalDialog(*current->dialog) : int16_t{2};
  });
  if (itemHit != nullptr) *itemHit = hit;
}

static void tbShowDialog(DialogRef dialog) {
  QxDialog* known = knownDialog(dialog);
  if (known == nullptr) return;
  guarded([&] {
    known->dialog->show();
    makeCurrent(display::DrawingPort{&known->port, nullptr});
  });
}

static ControlRef tbNewControl(WindowRef window, const Rect16* bounds, const char* title,
                               int32_t visible, int32_t value, int32_t minimum, int32_t maximum,
                               int32_t kind, intptr_t reference) {
  return guarded<ControlRef>(nullptr, [&] {
    ui::Control* control = ui::newControl(window, bounds != nullptr ? *bounds : Rect16{},
                                          boundedText(title, kItemTextLimit), visible != 0,
                                          value, minimum, maximum, kind, reference);
    return reinterpret_cast<ControlRef>(control);
  });
}

static void tbDisposeControls(WindowRef window) {
  guarded([&] { ui::disposeControls(window); });
}

static void tbSetControlMaximum(ControlRef control, int32_t maximum) {
  if (ui::Control* c = controlOf(control)) c->setMaximum(maximum);
}

static void tbSetControlValue(ControlRef control, int32_t value) {
  if (ui::Control* c = controlOf(control)) c->setValue(value);
}

static int32_t tbGetControlValue(ControlRef control) {
  ui::Control* c = controlOf(control);
  return c != nullptr ? c->value : 0;
}

static PopupRef tbNewPopup(WindowRef window, const Rect16* bounds, const char* entries,
                           int32_t selection, int32_t visible, intptr_t reference,
                           intptr_t /*reserved*/) {
  return guarded<PopupRef>(nullptr, [&]() -> PopupRef {
    std::string names = boundedText(entries, kItemTextLimit);
    auto count = static_cast<int32_t>(ui::splitEntries(names).size());
    ui::Control* control =
        ui::newControl(window, bounds != nullptr ? *bounds : Rect16{}, names, visible != 0,
                       selection, 1, count, ui::kPopupMenuControl, reference);
    if (control == nullptr) return nullptr;
    return new QxPopup{control};
  });
}

static void tbDisposePopup(PopupRef popup) {
  if (popup == nullptr) return;
  guarded([&] { ui::disposeControl(popup->control); });
  delete popup;
}

static int32_t tbGetPopupSelection(PopupRef popup) {
  ui::Control* c = popup != nullptr ? controlOf(reinterpret_cast<ControlRef>(popup->control)) : nullptr;
  return c != nullptr ? c->value : 0;
}

static void tbSetPopupSelection(PopupRef popup, int32_t entry) {
  ui::Control* c = popup != nullptr ? controlOf(reinterpret_cast<ControlRef>(popup->control)) : nullptr;
  if (c != nullptr) c->setValue(entry);
}

static ControlRef tbGetItemControl(DialogRef dialog, int32_t item) {
  ui::Dialog* d = dialogOf(dialog);
  return guarded<ControlRef>(nullptr, [&] {
    return reinterpret_cast<ControlRef>(d != nullptr ? d->itemControl(item) : nullptr);
  });
}

// Plug-in data blocks of a Synth.

static int32_t tbAddBlob(int32_t synth, MemHandle data, FourCC tag) {
  return guarded<int32_t>(0, [&] { return static_cast<int32_t>(document::addBlob(synth, data, tag)); });
}

static int32_t tbReplaceBlob(int32_t synth, int32_t id, MemHandle data) {
  guarded([&] { document::replaceBlob(synth, static_cast<uint32_t>(id), data); });
  return 0;
}

static MemHandle tbFindBlob(int32_t synth, int32_t id) {
  return guarded<MemHandle>(nullptr, [&] { return document::findBlob(synth, static_cast<uint32_t>(id)); });
}

static int32_t tbMinusOne(void) { return -1; }

}  // extern "C"

namespace quorix::plugin {
namespace {

HostToolbox makeToolbox() {
  HostToolbox toolbox{};
  toolbox.importerBlock.environment = &hostEnvironment();
  toolbox.newPtr = tbNewPtr;
  toolbox.disposePtr = tbDisposePtr;
  toolbox.newHandle = tbNewHandle;
  toolbox.disposeHandle = tbDisposeHandle;
  toolbox.setHandleSize = tbSetHandleSize;
  toolbox.lockHandle = tbHandleNoWork;
  toolbox.unlockHandle = tbHandleNoWork;
  toolbox.moveHandleHigh = tbHandleNoWork;
  toolbox.memoryError = tbMemoryError;
  toolbox.compactMemory = tbCompactMemory;
  toolbox.handleSize = tbHandleSize;
  toolbox.memoryReady = tbOne;
  toolbox.freeMemory = tbFreeMemory;
  toolbox.duplicateHandle = tbDuplicateHandle;
  toolbox.maxMemory = tbFreeMemory;
  toolbox.describePort = tbDescribePort;
  toolbox.sameColors = tbSameColors;
  toolbox.setPort = tbSetPort;
  toolbox.getPort = tbGetPort;
  toolbox.newOffscreenPort = tbNewOffscreenPort;
  toolbox.lockPixels = tbLockPixels;
  toolbox.copyBits = tbCopyBits;
  toolbox.disposeOffscreenPort = tbDisposeOffscreenPort;
  toolbox.openFile = tbOpenFile;
  toolbox.closeFile = tbCloseFile;
  toolbox.fileSize = tbFileSize;
  toolbox.readFile = tbReadFile;
  toolbox.isFileOpen = tbIsFileOpen;
  toolbox.addFileFilter = tbAddFileFilter;
  toolbox.getItemValue = tbGetItemValue;
  toolbox.setItemValue = tbSetItemValue;
  toolbox.setItemText = tbSetItemText;
  toolbox.getItemText = tbGetItemText;
  toolbox.disableItem = tbDisableItem;
  toolbox.enableItem = tbEnableItem;
  toolbox.setItemInteger = tbSetItemInteger;
  toolbox.getItemInteger = tbGetItemInteger;
  toolbox.setItemFloat = tbSetItemFloat;
  toolbox.getItemFloat = tbGetItemFloat;
  toolbox.newDialog = tbNewDialog;
  toolbox.disposeDialog = tbDisposeDialog;
  toolbox.identity = tbIdentity;
  toolbox.modalDialog = tbModalDialog;
  toolbox.showDialog = tbShowDialog;
  toolbox.newControl = tbNewControl;
  toolbox.disposeControls = tbDisposeControls;
  toolbox.setControlMaximum = tbSetControlMaximum;
  toolbox.setControlValue = tbSetControlValue;
  toolbox.getControlValue = tbGetControlValue;
  toolbox.newPopup = tbNewPopup;
  toolbox.disposePopup = tbDisposePopup;
  toolbox.getPopupSelection = tbGetPopupSelection;
  toolbox.setPopupSelection = tbSetPopupSelection;
  toolbox.getItemControl = tbGetItemControl;
  toolbox.addBlob = tbAddBlob;
  toolbox.replaceBlob = tbReplaceBlob;
  toolbox.findBlob = tbFindBlob;
  toolbox.alwaysMinusOne = tbMinusOne;
  return toolbox;
}

}  // namespace

HostToolbox& hostToolbox() {
  static HostToolbox toolbox = makeToolbox();
  return toolbox;
}

}  // namespace quorix::plugin
