#include "display/display_device.h"

#include <algorithm>
#include <cstring>

#include "config/diagnostic_log.h"
#include "display/direct_draw_errors.h"

namespace quorix::display {
namespace {

using platform::Window;

template <typename T>
void releaseAndClear(T*& object) {
  if (object != nullptr) object->release();
  object = nullptr;
}

intptr_t fullScreenWindowProc(Window* window, uint32_t message, uintptr_t wParam,
                              intptr_t lParam) {
  auto* device = reinterpret_cast<DisplayDevice*>(platform::windowUserData(window));
  if (device == nullptr) return platform::defaultWindowProc(window, message, wParam, lParam);
  return device->fullScreenWindowMessage(window, message, wParam, lParam);
}

}  // namespace

uint32_t layoutOfFormat(const dd::PixelFormat& format) {
  if (format.redMask == 0x7C00 && format.greenMask == 0x3E0 && format.blueMask == 0x1F) {
    return QX_LAYOUT_555;
  }
  if (format.redMask == 0xF800 && format.greenMask == 0x7E0 && format.blueMask == 0x1F) {
    return QX_LAYOUT_565;
  }
  return QX_LAYOUT_8BIT;
}

bool addDisplayMode(host::DisplayModeList& list, uint32_t deviceKey,
                    const dd::DisplayModeInfo& mode) {
  uint32_t count = std::min<uint32_t>(list.deviceCount, host::kMaxDisplayDevices);
  host::DisplayDeviceModes* device = nullptr;
  for (uint32_t i = 0; i < count; ++i) {
    if (list.devices[i].deviceKey == deviceKey) device = &list.devices[i];
  }
  if (device == nullptr) {
    if (count >= host::kMaxDisplayDevices) return false;
    device = &list.devices[count];
    *device = host::DisplayDeviceModes{};
    device->deviceKey = deviceKey;
    list.deviceCount = count + 1;
  }
  uint32_t modes = std::min<uint32_t>(device->modeCount, host::kMaxDisplayModes);
  for (uint32_t i = 0; i < modes; ++i) {
    const host::DisplayMode& m = device->modes[i];
    if (m.width == mode.width && m.height == mode.height && m.bitsPerPixel == mode.bitsPerPixel) {
      return false;
    }
  }
  if (modes >= host::kMaxDisplayModes) return false;
  device->modes[modes] = {mode.width, mode.height, mode.bitsPerPixel};
  device->modeCount = modes + 1;
  return true;
}

DisplayDevice::DisplayDevice(host::EnginePreferences& preferences) : preferences_(preferences) {
  lockEachFrame_ = preferences.config.surfaceLock != 0;
  // Probe: an older object that answers for the DirectDraw 7 interface.
  dd::DirectDrawLibrary& library = dd::directDrawLibrary();
  dd::DirectDraw* probe = nullptr;
  if (library.loaded() && library.create(nullptr, &probe) == dd::kOk) {
    dd::DirectDraw* version7 = nullptr;
    directDraw7Available_ = probe->queryDirectDraw7(&version7) == dd::kOk;
    releaseAndClear(version7);
    releaseAndClear(probe);
  }
  refreshScreenSize();
}

DisplayDevice::~DisplayDevice() {
  close();
  releaseSurfaces();
  release();
  destroyFullScreenWindow();
}

void DisplayDevice::refreshScreenSize() {
  platform::ScreenInfo screen = platform::screenInfo();
  screenWidth_ = screen.width;
  screenHeight_ = screen.height;
}

void DisplayDevice::setFrameFormat(uint32_t depth, bool flip) {
  frameDepth_ = depth;
  frameFlip_ = flip;
}

dd::Surface* DisplayDevice::primarySurface() const {
  return v7_.primary != nullptr ? v7_.primary : older_.primary;
}

dd::Surface* DisplayDevice::backBuffer() const {
  return v7_.back != nullptr ? v7_.back : older_.back;
}

dd::Surface* DisplayDevice::drawingSurface() const {
  return backBuffer() != nullptr ? backBuffer() : primarySurface();
}

int DisplayDevice::enumerateDevices(std::vector<std::string>* descriptions) {
  dd::DirectDrawLibrary& library = dd::directDrawLibrary();
  if (!library.loaded() || !library.hasEnumerateEx()) return 0;
  int count = 0;
  uint32_t key = 0;
  bool first = true;
  uint32_t preferred = preferences_.preferredDisplayDevice;
  hasDeviceGuid_ = false;
  library.enumerateDevices(
      dd::kEnumAttachedSecondaryDevices | dd::kEnumNonDisplayDevices,
      [&](const dd::DeviceEntry& device) {
        count = device.guid == nullptr ? 0 : count + 1;
        if (descriptions != nullptr) {
          descriptions->push_back(device.description);
          if (first) displayModesOfDevice(device.guid, key);
          first = false;
          ++key;
          return true;
        }
        if (static_cast<uint32_t>(count) == preferred) {
          if (device.guid != nullptr) {
            deviceGuid_ = *device.guid;
            hasDeviceGuid_ = true;
          }
          return false;
        }
        return true;
      });
  nonDefaultDevices_ = count;
  return 1;
}

void DisplayDevice::displayModesOfDevice(const dd::Guid* device, uint32_t deviceKey) {
  dd::DirectDraw* object = nullptr;
  if (dd::directDrawLibrary().create(device, &object) != dd::kOk) return;
  object->enumDisplayModes([&](const dd::DisplayModeInfo& mode) {
    addDisplayMode(preferences_.displayModes, deviceKey, mode);
    return true;
  });
  object->release();
}

dd::Result DisplayDevice::create() {
  if (enumerateDevices(nullptr) == 0) {
    preferences_.preferredDisplayDevice = 0;
    hasDeviceGuid_ = false;
  }
  dd::DirectDrawLibrary& library = dd::directDrawLibrary();
  dd::Result result;
  if (directDraw7Available_) {
    result = library.loaded() && library.hasCreateEx() ? library.createEx(nullptr, &v7_.object)
                                                       : -1;
  } else {
    result = library.create(hasDeviceGuid_ ? &deviceGuid_ : nullptr, &older_.object);
  }
  if (result != dd::kOk) {
    releaseAndClear(v7_.object);
    releaseAndClear(older_.object);
  }
  if (links_.movieDisplay) links_.movieDisplay(older_.object, v7_.object);
  return result;
}

void DisplayDevice::release() {
  bool had = older_.object != nullptr || v7_.object != nullptr;
  releaseAndClear(direct3D7_);
  releaseAndClear(v7_.object);
  releaseAndClear(older_.object);
  if (had && links_.movieDisplay) links_.movieDisplay(nullptr, nullptr);
}

dd::Result DisplayDevice::setCooperativeLevel(Window* window, uint32_t flags) {
  dd::DirectDraw* display = object();
  return display != nullptr ? display->setCooperativeLevel(window, flags) : dd::kErrGeneric;
}

void DisplayDevice::releaseSurfaces() {
  for (Interfaces* set : {&older_, &v7_}) {
    if (set->primary != nullptr && set->back != nullptr) set->primary->deleteAttachedSurface(set->back);
    releaseAndClear(set->back);
    releaseAndClear(set->primary);
  }
  releaseAndClear(palette_);
}

bool DisplayDevice::makeFullScreenWindow() {
  platform::WindowClass windowClass;
  windowClass.name = kFullScreenWindowName;
  windowClass.procedure = fullScreenWindowProc;
  windowClass.style = platform::kClassHorizontalRedraw | platform::kClassVerticalRedraw;
  windowClass.menuName = kFullScreenWindowName;
  windowClass.background = platform::rgbColor(0, 0, 0);
  platform::registerClass(windowClass);  // already registered by an earlier open is fine
  platform::CreateWindowParams params;
  params.className = kFullScreenWindowName;
  params.title = kFullScreenWindowName;
  params.exStyle = platform::kExStyleTopmost;
  params.style = platform::kStylePopup | platform::kStyleVisible;
  params.width = screenWidth_;
  params.height = screenHeight_;
  fullScreenWindow_ = platform::createWindow(params);
  if (fullScreenWindow_ == nullptr) return false;
  platform::setWindowUserData(fullScreenWindow_, reinterpret_cast<intptr_t>(this));
  return true;
}

void DisplayDevice::destroyFullScreenWindow() {
  if (fullScreenWindow_ != nullptr) {
    platform::setWindowUserData(fullScreenWindow_, 0);
    platform::destroyWindow(fullScreenWindow_);
  }
  fullScreenWindow_ = nullptr;
  platform::unregisterClass(kFullScreenWindowName);
}

int32_t DisplayDevice::failOpen(int32_t result) {
  if (dd::DirectDraw* display = object()) display->setCooperativeLevel(cooperativeWindow_, dd::kCoopNormal);
  releaseSurfaces();
  release();
  destroyFullScreenWindow();
  state_ = kDisplayClosed;
  return result;
}

int32_t DisplayDevice::openFullScreen(Window* hostWindow) {
  if (hostWindow == nullptr) return kOpenNoHostWindow;
  lastError_ = 0;
  state_ = kDisplayClosed;
  cooperativeWindow_ = hostWindow;
  lockEachFrame_ = preferences_.config.surfaceLock != 0;
  releaseSurfaces();
  release();
  if (create() != dd::kOk) return kOpenCreateFailed;

  bool changePosition = preferences_.config.directXChangeWindowPosition != 0;
  Window* window;
  uint32_t flags;
  if (nonDefaultDevices_ == 0) {
    refreshScreenSize();
    if (!makeFullScreenWindow()) return 0;  // the engine's lock probe fails next
    platform::showWindow(fullScreenWindow_, platform::kShowMaximized);
    platform::updateWindow(fullScreenWindow_);
    platform::setFocus(fullScreenWindow_);
    platform::showCursor(false);
    window = fullScreenWindow_;
    flags = dd::kCoopExclusive | dd::kCoopFullScreen;
    if (!changePosition) flags |= dd::kCoopNoWindowChanges;
  } else {
    window = hostWindow;
    flags = dd::kCoopCreateDeviceWindow | dd::kCoopSetFocusWindow | dd::kCoopExclusive |
            dd::kCoopFullScreen;
    if (!changePosition) flags |= dd::kCoopNoWindowChanges;
  }

  dd::DirectDraw* display = object();
  // A failed step gives the screen back (normal level, no objects, no window) before the
  // result goes to the caller, so that nothing holds the exclusive display.
  if (dd::Result result = display->setCooperativeLevel(window, flags); result != dd::kOk) {
    lastError_ = result;
    return failOpen(result);
  }
  if (dd::Result result = display->setDisplayMode(wanted_.width, wanted_.height,
                                                  wanted_.bitsPerPixel, 0, 0);
      result != dd::kOk) {
    lastError_ = result;
    return failOpen(result);
  }
  if (links_.movieDesktopWindow) links_.movieDesktopWindow();
  if (v7_.object != nullptr && v7_.object->queryDirect3D7(&direct3D7_) != dd::kOk) {
    direct3D7_ = nullptr;
  }

  Interfaces& set = active();
  dd::SurfaceRequest request;
  if (frameFlip_) {
    request.flags = dd::kDescCaps | dd::kDescBackBufferCount;
    request.backBufferCount = 1;
    request.caps = dd::kCapsPrimarySurface | dd::kCapsFlip | dd::kCapsComplex;
    if (&set == &v7_) request.caps |= dd::kCaps3DDevice;
  } else {
    request.flags = dd::kDescCaps;
    request.caps = dd::kCapsPrimarySurface | dd::kCaps3DDevice;
  }
  bool made = set.object->createSurface(request, &set.primary) == dd::kOk;
  if (made && frameFlip_) made = set.primary->getAttachedSurface(dd::kCapsBackBuffer, &set.back) == dd::kOk;
  if (!made) {
    lastError_ = kOpenSurfaceFailed;
    return failOpen(kOpenSurfaceFailed);
  }

  BufferDesc probe{};
  lockProbe(probe);  // stores the layout when it succeeds

  if (wanted_.bitsPerPixel == 8) {
    platform::PaletteEntry ramp[256];
    for (int i = 0; i < 256; ++i) {
      auto v = static_cast<uint8_t>(i);
      ramp[i] = {v, v, v, 0};
    }
    if (set.object->createPalette(dd::kPalette8Bit | dd::kPaletteAllow256, ramp, &palette_) !=
        dd::kOk) {
      // An 8-bit screen without a palette cannot show the frame: the open fails as a whole.
      lastError_ = kOpenPaletteFailed;
      return failOpen(kOpenPaletteFailed);
    }
    set.primary->setPalette(palette_);
  }
  refreshScreenSize();
  lastError_ = 0;
  state_ = kDisplayOpen;
  return 0;
}

void DisplayDevice::close() {
  if (state_ != kDisplayOpen) return;
  if (object() != nullptr) {
    releaseSurfaces();
    setCooperativeLevel(cooperativeWindow_, dd::kCoopNormal);
    release();
    destroyFullScreenWindow();
  }
  platform::showCursor(true);
  refreshScreenSize();
  state_ = kDisplayClosed;
}

dd::Result DisplayDevice::lockDrawingSurface(dd::LockedSurface& locked) {
  dd::Surface* surface = drawingSurface();
  if (surface == nullptr) return dd::kErrGeneric;
  dd::Result result = surface->lock(locked, dd::kLockWait);
  if (result == dd::kErrSurfaceLost) {
    result = surface->restore();
    if (result == dd::kOk) result = surface->lock(locked, dd::kLockWait);
  }
  return result;
}

dd::Result DisplayDevice::lockProbe(BufferDesc& out) {
  dd::LockedSurface locked;
  dd::Result result = lockDrawingSurface(locked);
  if (result != dd::kOk) return result;
  drawingSurface()->unlock();
  out.baseAddr = locked.bits;
  out.rowBytes = locked.pitch;
  out.layoutCode = layoutOfFormat(locked.format);
  layoutCode_ = out.layoutCode;
  return dd::kOk;
}

int DisplayDevice::frameLock(BufferDesc& out, bool reprobe) {
  if (object() == nullptr) {
    if (create() != dd::kOk) return 0;
    setCooperativeLevel(mainWindow_, dd::kCoopNormal);
  }
  bool refreshLayout = false;
  if (primarySurface() == nullptr) {
    Interfaces& set = active();
    dd::SurfaceRequest request;
    request.caps = dd::kCapsPrimarySurface;
    if (set.object->createSurface(request, &set.primary) != dd::kOk) return 0;
    BufferDesc probe{};
    lockProbe(probe);
  } else if (reprobe) {
    refreshLayout = true;
  }
  if (lockEachFrame_) {
    dd::LockedSurface locked;
    if (lockDrawingSurface(locked) != dd::kOk) return 0;
    out.baseAddr = locked.bits;
    out.rowBytes = locked.pitch;
    if (refreshLayout) layoutCode_ = layoutOfFormat(locked.format);
    out.layoutCode = layoutCode_;
    return 1;
  }
  if (reprobe) lockProbe(out);
  return 0;
}

void DisplayDevice::frameUnlock(bool flip) {
  if (!lockEachFrame_) return;
  if (dd::Surface* surface = drawingSurface()) surface->unlock();
  if (flip && backBuffer() != nullptr) primarySurface()->flip(dd::kFlipWait);
}

void DisplayDevice::copyFrontToBack() {
  dd::Surface* front = primarySurface();
  dd::Surface* back = backBuffer();
  if (front == nullptr || back == nullptr || !frameFlip_) return;
  dd::Result result = back->bltFast(0, 0, front, nullptr, dd::kBltFastNoColorKey | dd::kBltFastWait);
  if (result != dd::kOk) {
    config::logTrace("There was a problem with BltFast");
    config::logTrace(directDrawErrorText(result));
  }
}

void DisplayDevice::setPaletteEntries(int32_t first, int32_t count, const ColorEntry* entries) {
  if (frameDepth_ != 8 || entries == nullptr || count <= 0) return;
  // Only entries inside 0..255 are taken; the given entries are read from their start.
  int64_t from = std::max<int64_t>(first, 0);
  int64_t to = std::min<int64_t>(int64_t{first} + count, 256);
  if (from >= to) return;
  for (int64_t i = from; i < to; ++i) {
    const ColorEntry& e = entries[i - first];
    paletteEntries_[i] = {static_cast<uint8_t>(e.red >> 8), static_cast<uint8_t>(e.green >> 8),
                          static_cast<uint8_t>(e.blue >> 8),
                          static_cast<uint8_t>(dd::kPaletteEntryReserved | dd::kPaletteEntryNoCollapse)};
  }
  if (palette_ != nullptr) {
    if (dd::DirectDraw* display = object()) display->waitForVerticalBlank();
    palette_->setEntries(static_cast<uint32_t>(from), static_cast<uint32_t>(to - from),
                         paletteEntries_ + from);
  }
}

void DisplayDevice::flipToGdi() {
  if (dd::DirectDraw* display = object(); display != nullptr && state_ == kDisplayOpen) {
    display->flipToGdiSurface();
  }
}

uint32_t DisplayDevice::probeDesktopLayout(uint32_t engineDepth) {
  platform::DeviceContext* screen = platform::getScreenDC();
  platform::Bitmap* probe = platform::createCompatibleBitmap(screen, 1, 1);
  platform::BitmapInfo info{};
  int bits = 0;
  if (probe != nullptr) {
    // Asked twice, as the desktop fills in the masks on the second call.
    info.header.size = 40;
    platform::getDIBits(screen, probe, 0, 1, nullptr, &info.header, platform::kDibRgbColors);
    platform::getDIBits(screen, probe, 0, 1, nullptr, &info.header, platform::kDibRgbColors);
    if (info.header.compression == platform::kBiBitfields) {
      uint32_t masks[3];
      std::memcpy(masks, static_cast<const void*>(info.colors), sizeof(masks));
      bits = __builtin_popcount(masks[0] | masks[1] | masks[2]);
    } else {
      bits = info.header.bitCount == 16 ? 15 : info.header.bitCount;
    }
    platform::deleteBitmap(probe);
  }
  platform::releaseDC(nullptr, screen);
  if (bits == 15) {
    layoutCode_ = QX_LAYOUT_555;
  } else if (bits == 16) {
    layoutCode_ = QX_LAYOUT_565;
  } else {
    layoutCode_ = engineDepth == 16 ? QX_LAYOUT_555 : engineDepth == 32 ? QX_LAYOUT_32BIT : QX_LAYOUT_8BIT;
  }
  return layoutCode_;
}

void DisplayDevice::displayInterfaces(void** directDraw7, void** primary, void** back,
                                      void** direct3D, void** zero) const {
  if (directDraw7 != nullptr) *directDraw7 = v7_.object;
  if (primary != nullptr) *primary = v7_.primary;
  if (back != nullptr) *back = v7_.back;
  if (direct3D != nullptr) *direct3D = direct3D7_;
  if (zero != nullptr) *zero = nullptr;
}

intptr_t DisplayDevice::fullScreenWindowMessage(Window* window, uint32_t message,
                                                uintptr_t wParam, intptr_t lParam) {
  bool exclusive = links_.exclusive && links_.exclusive();
  switch (message) {
    case platform::kMsgDestroy:
    case platform::kMsgDisplayChange:
    case platform::kMsgActivateApp:
      if (exclusive && links_.requestStop) links_.requestStop();
      return platform::defaultWindowProc(window, message, wParam, lParam);
    case platform::kMsgActivate:
      return 0;
    case platform::kMsgKeyDown:
    case platform::kMsgKeyUp: {
      bool stopping = links_.stopPending && links_.stopPending();
      if (!stopping) {
        if (message == platform::kMsgKeyDown && links_.keyDown) links_.keyDown(static_cast<uint32_t>(wParam), lParam);
        if (message == platform::kMsgKeyUp && links_.keyUp) links_.keyUp(static_cast<uint32_t>(wParam));
      }
      return 0;
    }
    default:
      return platform::defaultWindowProc(window, message, wParam, lParam);
  }
}

}  // namespace quorix::display
