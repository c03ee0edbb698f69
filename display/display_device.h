// DisplayDevice: the exclusive full-screen output. It finds the display devices and their
// modes, switches the display mode, makes the primary surface (with one back buffer when the
// frame flips), hands the engine the surface's address and pitch, locks, unlocks and flips
// around each frame, keeps the back buffer in step with the screen, owns the 8-bit display
// palette and the "dxwin" window, and probes the desktop's 16-bit layout for windowed output.
//
// [render thread] Every call comes from the thread that renders frames; the "dxwin" window's
// procedure runs on the thread that made it and only raises flags or forwards keys.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/preferences.h"
#include "platform/ddraw/ddraw.h"
#include "plugin_sdk/buffer_desc.h"

namespace quorix::display {

namespace dd = platform::ddraw;

inline constexpr int32_t kDisplayClosed = 1;
inline constexpr int32_t kDisplayOpen = 2;

// Open results besides the platform's own.
inline constexpr int32_t kOpenNoHostWindow = -1;
inline constexpr int32_t kOpenCreateFailed = -2;
inline constexpr int32_t kOpenSurfaceFailed = -5;
inline constexpr int32_t kOpenPaletteFailed = -6;

inline constexpr const char* kFullScreenWindowName = "dxwin";

// What the engine tells the display and what the display tells the engine and the movie
// platform. Unset functions do nothing (and `exclusive` answers false).
struct DisplayLinks {
  // The engine runs on the exclusive full-screen display (its state 3).
  std::function<bool()> exclusive;
  // Sets the engine's stop request; reads whether one is pending.
  std::function<void()> requestStop;
  std::function<bool()> stopPending;
  // The engine's keyboard entries.
  std::function<void(uint32_t virtualKey, intptr_t keyData)> keyDown;
  std::function<void(uint32_t virtualKey)> keyUp;
  // The movie platform learns the display objects (both null when there are none) and is
  // re-bound to the desktop window when the display mode changes.
  std::function<void(dd::DirectDraw* older, dd::DirectDraw* version7)> movieDisplay;
  std::function<void()> movieDesktopWindow;
};

class DisplayDevice {
 public:
  // Defaults (640 x 480, 60 Hz, 8 bits), closed, and the DirectDraw 7 probe. `preferences`
  // (the preferred device and the mode list) must outlive the device.
  explicit DisplayDevice(host::EnginePreferences& preferences);
  ~DisplayDevice();
  DisplayDevice(const DisplayDevice&) = delete;
  DisplayDevice& operator=(const DisplayDevice&) = delete;

  // Lists the devices: with `descriptions`, adds each device's description to it and the
  // first device's modes to the preferences' mode list; without, stops at the preferred
  // device and keeps its identifier. 0 when the library or its entry is missing, else 1.
  int enumerateDevices(std::vector<std::string>* descriptions);
  // Makes the display object(s); the platform's result.
  dd::Result create();
  // Gives both display objects back.
  void release();
  dd::Result setCooperativeLevel(platform::Window* window, uint32_t flags);

  // Takes the screen for the host window: 0, or a result of the table in the header.
  int32_t openFullScreen(platform::Window* hostWindow);
  void close();

  // Locks the drawing surface once to learn its address, pitch and layout, and unlocks it:
  // the engine keeps drawing there. The platform's result; `out` filled on success.
  dd::Result lockProbe(BufferDesc& out);
  // Before a frame: 1 when a lock is held and `out` holds the surface's address, pitch and
  // (with `reprobe`) layout; else 0 and the engine keeps its previous address.
  int frameLock(BufferDesc& out, bool reprobe);
  // After a frame: unlocks (when every frame locks) and, with `flip`, shows the back buffer.
  void frameUnlock(bool flip);
  // After each presented frame in flip mode: the back buffer takes a copy of the screen.
  void copyFrontToBack();
  // 8-bit frames: display palette entries first .. first + count - 1 (taken within 0..255).
  void setPaletteEntries(int32_t first, int32_t count, const ColorEntry* entries);
  // Before a dialog shows over the exclusive display.
  void flipToGdi();
  // The desktop's 16-bit layout for windowed output (stored as the display's layout code).
  uint32_t probeDesktopLayout(uint32_t engineDepth);
  // The modes of a device (null: the default) into the preferences' list under `deviceKey`.
  void displayModesOfDevice(const dd::Guid* device, uint32_t deviceKey);
  // Host procedure 47: the DirectDraw 7 object, its primary surface and back buffer, the
  // Direct3D 7 object and 0, each written only when its pointer is not null.
  void displayInterfaces(void** directDraw7, void** primary, void** back, void** direct3D,
                         void** zero) const;

  // The engine's frame: its depth decides the palette rules, the flip flag the back buffer.
  void setFrameFormat(uint32_t depth, bool flip);
  // The module's main window: frame locks that must make a display object use it.
  void setMainWindow(platform::Window* window) { mainWindow_ = window; }
  void setLinks(DisplayLinks links) { links_ = std::move(links); }
  const DisplayLinks& links() const { return links_; }

  // The fields, in the record's order.
  bool lockEachFrame() const { return lockEachFrame_; }
  platform::Window* fullScreenWindow() const { return fullScreenWindow_; }
  dd::DirectDraw* olderObject() const { return older_.object; }
  dd::DirectDraw* version7Object() const { return v7_.object; }
  dd::Surface* primarySurface() const;
  dd::Surface* backBuffer() const;
  platform::Window* cooperativeWindow() const { return cooperativeWindow_; }
  int32_t lastError() const { return lastError_; }
  int32_t state() const { return state_; }
  uint32_t layoutCode() const { return layoutCode_; }
  dd::DisplayModeInfo& wantedMode() { return wanted_; }
  bool hasDeviceIdentifier() const { return hasDeviceGuid_; }
  const dd::Guid& deviceIdentifier() const { return deviceGuid_; }
  int nonDefaultDevices() const { return nonDefaultDevices_; }
  bool directDraw7Available() const { return directDraw7Available_; }
  // The screen size read at the last refresh.
  int32_t screenWidth() const { return screenWidth_; }
  int32_t screenHeight() const { return screenHeight_; }
  void refreshScreenSize();

  // The colours the display palette gets (flags included), as set palette entries keeps them.
  const platform::PaletteEntry* paletteEntries() const { return paletteEntries_; }

  // The "dxwin" window procedure's work, for a message of the full-screen window.
  intptr_t fullScreenWindowMessage(platform::Window* window, uint32_t message, uintptr_t wParam,
                                   intptr_t lParam);

 private:
  struct Interfaces {
    dd::DirectDraw* object = nullptr;
    dd::Surface* primary = nullptr;
    dd::Surface* back = nullptr;
  };

  dd::DirectDraw* object() const { return v7_.object != nullptr ? v7_.object : older_.object; }
  Interfaces& active() { return v7_.object != nullptr ? v7_ : older_; }
  dd::Surface* drawingSurface() const;
  bool makeFullScreenWindow();
  void destroyFullScreenWindow();
  void releaseSurfaces();
  int32_t failOpen(int32_t result);
  // Locks the drawing surface with the wait flag, restoring it once when it was lost.
  dd::Result lockDrawingSurface(dd::LockedSurface& locked);

  host::EnginePreferences& preferences_;
  bool lockEachFrame_ = true;
  platform::Window* fullScreenWindow_ = nullptr;
  Interfaces older_;
  dd::Palette* palette_ = nullptr;
  Interfaces v7_;
  dd::Unknown* direct3D7_ = nullptr;
  platform::Window* cooperativeWindow_ = nullptr;
  int32_t lastError_ = 0;
  int32_t state_ = kDisplayClosed;
  uint32_t layoutCode_ = 0;
  dd::DisplayModeInfo wanted_{640, 480, 8, 60};
  dd::Guid deviceGuid_;
  bool hasDeviceGuid_ = false;
  int nonDefaultDevices_ = 0;
  bool directDraw7Available_ = false;

  platform::Window* mainWindow_ = nullptr;
  uint32_t frameDepth_ = 8;
  bool frameFlip_ = false;
  int32_t screenWidth_ = 0;
  int32_t screenHeight_ = 0;
  platform::PaletteEntry paletteEntries_[256] = {};
  DisplayLinks links_;
};

// The layout of a surface's pixel format: 1 for 5-5-5 masks, 2 for 5-6-5, else 0.
uint32_t layoutOfFormat(const dd::PixelFormat& format);

// Adds a mode under a device of the list: a mode already there is not added twice; a device
// beyond the fifth and a mode beyond the thirtieth are dropped. False when nothing was added.
bool addDisplayMode(host::DisplayModeList& list, uint32_t deviceKey, const dd::DisplayModeInfo& mode);

}  // namespace quorix::display
