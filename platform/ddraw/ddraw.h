// Exclusive full-screen display surfaces, modelled on DirectDraw: display devices and their
// modes, a display object with cooperative levels and display modes, a primary surface with
// an optional back buffer, locking for direct pixel access, flipping, lost surfaces and their
// restoration, 256-entry palettes and fast copies between surfaces.
//
// Objects are reference counted: every pointer handed out holds one reference, which its
// holder gives back with release(). A flip exchanges the memory of the front and back
// surfaces, so the address a lock reports changes from frame to frame. Surface memory stays
// valid until the surface's last reference is released, also while the surface is lost or
// unlocked.
//
// Backends: memory (memory/, with failure injection, the default) and SDL (sdl/, a full-screen
// window showing the front surface through a streaming texture).
//
// [threads] One thread (the one that renders frames) uses the objects.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/window/window.h"

namespace quorix::platform::ddraw {

// Results: 0 is success; failures are negative 32-bit codes.
using Result = int32_t;

constexpr Result ddResult(uint32_t code) { return static_cast<Result>(0x88760000u + code); }

inline constexpr Result kOk = 0;
inline constexpr Result kErrUnsupported = static_cast<Result>(0x80004001u);
inline constexpr Result kErrGeneric = static_cast<Result>(0x80004005u);
inline constexpr Result kErrNotInitialized = static_cast<Result>(0x800401F0u);
inline constexpr Result kErrOutOfMemory = static_cast<Result>(0x8007000Eu);
inline constexpr Result kErrInvalidParams = static_cast<Result>(0x80070057u);
inline constexpr Result kErrInvalidMode = ddResult(120);
inline constexpr Result kErrInvalidObject = ddResult(130);
inline constexpr Result kErrNoCooperativeLevelSet = ddResult(212);
inline constexpr Result kErrNoExclusiveMode = ddResult(225);
inline constexpr Result kErrNotFound = ddResult(255);
inline constexpr Result kErrOutOfVideoMemory = ddResult(380);
inline constexpr Result kErrSurfaceBusy = ddResult(430);
inline constexpr Result kErrSurfaceLost = ddResult(450);
inline constexpr Result kErrSurfaceNotAttached = ddResult(460);
inline constexpr Result kErrInvalidDirectDrawGuid = ddResult(561);
inline constexpr Result kErrNoPaletteHw = ddResult(573);
inline constexpr Result kErrNotFlippable = ddResult(582);
inline constexpr Result kErrNotLocked = ddResult(584);
inline constexpr Result kErrUnsupportedMode = ddResult(590);

// A display device's identifier.
struct Guid {
  uint8_t bytes[16] = {};
};
inline bool operator==(const Guid& a, const Guid& b) {
  for (int i = 0; i < 16; ++i) {
    if (a.bytes[i] != b.bytes[i]) return false;
  }
  return true;
}

// Cooperative levels.
enum : uint32_t {
  kCoopFullScreen = 0x1,
  kCoopNoWindowChanges = 0x4,
  kCoopNormal = 0x8,
  kCoopExclusive = 0x10,
  kCoopSetFocusWindow = 0x80,
  kCoopSetDeviceWindow = 0x100,
  kCoopCreateDeviceWindow = 0x200,
};

// Surface requests: which fields count, and the capabilities asked for.
enum : uint32_t { kDescCaps = 0x1, kDescBackBufferCount = 0x20 };
enum : uint32_t {
  kCapsBackBuffer = 0x4,
  kCapsComplex = 0x8,
  kCapsFlip = 0x10,
  kCapsPrimarySurface = 0x200,
  kCaps3DDevice = 0x2000,
};
enum : uint32_t { kLockWait = 0x1 };
enum : uint32_t { kFlipWait = 0x1 };
enum : uint32_t { kBltFastNoColorKey = 0x0, kBltFastWait = 0x10 };
enum : uint32_t { kPalette8Bit = 0x4, kPaletteAllow256 = 0x40 };
enum : uint8_t { kPaletteEntryReserved = 0x1, kPaletteEntryNoCollapse = 0x4 };
// Device enumeration: also attached secondary devices and non-display devices.
enum : uint32_t { kEnumAttachedSecondaryDevices = 0x1, kEnumNonDisplayDevices = 0x4 };

struct PixelFormat {
  uint32_t bitCount = 0;
  bool palettized = false;  // 8 bits: indexes into the attached palette
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
};

struct SurfaceRequest {
  uint32_t flags = kDescCaps;
  uint32_t caps = 0;
  uint32_t backBufferCount = 0;
};

struct LockedSurface {
  void* bits = nullptr;
  int32_t pitch = 0;  // bytes from one row to the next
  uint32_t width = 0;
  uint32_t height = 0;
  PixelFormat format;
};

struct DisplayModeInfo {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bitsPerPixel = 0;
  uint32_t refreshRate = 0;
};

class Unknown {
 public:
  void addRef() { ++references_; }
  // Gives a reference back; the object goes with its last one. Returns the count left.
  uint32_t release() {
    uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~Unknown() = default;

 private:
  uint32_t references_ = 1;
};

class Palette : public Unknown {
 public:
  virtual Result setEntries(uint32_t first, uint32_t count, const PaletteEntry* entries) = 0;
  virtual Result getEntries(uint32_t first, uint32_t count, PaletteEntry* entries) const = 0;
};

class Surface : public Unknown {
 public:
  // Locks the whole surface for direct access (kLockWait waits while it is busy).
  virtual Result lock(LockedSurface& out, uint32_t flags) = 0;
  virtual Result unlock() = 0;
  virtual Result isLost() const = 0;
  // Gives a lost surface its memory back (the contents are undefined).
  virtual Result restore() = 0;
  // Shows the back buffer: the front surface and its back buffer exchange their memory.
  virtual Result flip(uint32_t flags) = 0;
  // Copies a rectangle of another surface (the whole of it when null) to (x, y).
  virtual Result bltFast(int32_t x, int32_t y, Surface* source, const WinRect* rect,
                         uint32_t flags) = 0;
  // The attached surface with the capabilities (a new reference).
  virtual Result getAttachedSurface(uint32_t caps, Surface** out) = 0;
  virtual Result deleteAttachedSurface(Surface* attached) = 0;
  virtual Result setPalette(Palette* palette) = 0;
  virtual Result getPixelFormat(PixelFormat& out) const = 0;
};

class DirectDraw : public Unknown {
 public:
  // 1 for the first interface, 7 for the DirectDraw 7 one.
  virtual int version() const = 0;
  virtual Result setCooperativeLevel(Window* window, uint32_t flags) = 0;
  virtual Result setDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                                uint32_t refreshRate, uint32_t flags) = 0;
  virtual Result restoreDisplayMode() = 0;
  virtual Result createSurface(const SurfaceRequest& request, Surface** out) = 0;
  virtual Result createPalette(uint32_t caps, const PaletteEntry* entries, Palette** out) = 0;
  // Calls `mode` for every display mode; it returns false to stop.
  virtual Result enumDisplayModes(const std::function<bool(const DisplayModeInfo&)>& mode) = 0;
  virtual Result waitForVerticalBlank() = 0;
  // Makes the surface the desktop draws on visible, so that ordinary windows show over the
  // exclusive display.
  virtual Result flipToGdiSurface() = 0;
  // The DirectDraw 7 interface of this object (a new reference), as the first interface
  // answers when asked for it.
  virtual Result queryDirectDraw7(DirectDraw** out) = 0;
  // The Direct3D 7 interface of a DirectDraw 7 object (a new reference), or an error.
  virtual Result queryDirect3D7(Unknown** out) = 0;
};

struct DeviceEntry {
  const Guid* guid = nullptr;  // null for the default device
  std::string description;
  std::string name;
};

// The system library: what loading "ddraw.dll" and its entries gives.
class DirectDrawLibrary {
 public:
  virtual ~DirectDrawLibrary() = default;
  virtual const char* name() const = 0;
  // The library could be loaded.
  virtual bool loaded() const = 0;
  // The entries looked up at run time are present.
  virtual bool hasEnumerateEx() const = 0;
  virtual bool hasCreateEx() const = 0;
  // Lists the devices; `device` returns false to stop. kErrUnsupported without the entry.
  virtual Result enumerateDevices(uint32_t flags,
                                  const std::function<bool(const DeviceEntry&)>& device) = 0;
  // The first interface for a device (null: the default one).
  virtual Result create(const Guid* device, DirectDraw** out) = 0;
  // The DirectDraw 7 interface for a device (null: the default one). kErrUnsupported without
  // the entry.
  virtual Result createEx(const Guid* device, DirectDraw** out) = 0;
};

// The library in use: the memory one unless another was installed.
DirectDrawLibrary& directDrawLibrary();
void setDirectDrawLibrary(DirectDrawLibrary* library);

class ScopedDirectDrawLibrary {
 public:
  explicit ScopedDirectDrawLibrary(DirectDrawLibrary& library) { setDirectDrawLibrary(&library); }
  ~ScopedDirectDrawLibrary() { setDirectDrawLibrary(nullptr); }
  ScopedDirectDrawLibrary(const ScopedDirectDrawLibrary&) = delete;
  ScopedDirectDrawLibrary& operator=(const ScopedDirectDrawLibrary&) = delete;
};

}  // namespace quorix::platform::ddraw
