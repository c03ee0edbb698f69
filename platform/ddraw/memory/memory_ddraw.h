// The memory display: surfaces, palettes and display modes kept in memory. It is the default
// library and the one tests drive: they describe the devices and modes, choose how 16-bit
// surfaces are packed, make any step fail, and read what the front surface shows. The SDL
// backend builds on it and only adds showing the front surface.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ddraw/ddraw.h"

namespace quorix::platform::ddraw {

// Failures to inject; kOk (or 0, false) injects nothing.
struct DisplayFaults {
  Result create = kOk;            // creating the first interface
  Result createEx = kOk;          // creating the DirectDraw 7 interface
  bool noDirectDraw7 = false;     // the first interface does not know the DirectDraw 7 one
  Result cooperativeLevel = kOk;
  Result displayMode = kOk;       // every display mode is refused with this
  Result primarySurface = kOk;    // creating a primary surface
  Result backBuffer = kOk;        // getting the attached back buffer
  Result palette = kOk;           // creating a palette
  Result lock = kOk;              // every lock
  int loseSurfaceTimes = 0;       // this many next locks find their surface lost
  Result restore = kOk;
  Result flip = kOk;
  Result bltFast = kOk;
  Result direct3D = kOk;          // asking a DirectDraw 7 object for Direct3D 7
};

struct MemoryDevice {
  bool isDefault = true;
  Guid guid;
  std::string description = "Primary Display Driver";
  std::string name = "display";
};

// What the display went through, for tests to check.
struct DisplayRecord {
  Window* cooperativeWindow = nullptr;
  uint32_t cooperativeFlags = 0;
  std::vector<uint32_t> cooperativeHistory;  // every level set, in order
  DisplayModeInfo mode;                      // the mode set last (0 x 0 when none)
  int modeChanges = 0;
  int flips = 0;
  int presents = 0;  // times the front surface was shown
  int verticalBlankWaits = 0;
  int flipsToGdi = 0;
  int restores = 0;
  int bltFasts = 0;
  int liveObjects = 0;   // DirectDraw objects not released yet
  int liveSurfaces = 0;  // surfaces not released yet
  int livePalettes = 0;
  std::vector<SurfaceRequest> surfaceRequests;
};

class MemoryDirectDrawLibrary : public DirectDrawLibrary {
 public:
  MemoryDirectDrawLibrary();
  ~MemoryDirectDrawLibrary() override;

  const char* name() const override { return "memory"; }
  bool loaded() const override { return libraryPresent; }
  bool hasEnumerateEx() const override { return libraryPresent && enumerateExPresent; }
  bool hasCreateEx() const override { return libraryPresent && createExPresent; }
  Result enumerateDevices(uint32_t flags,
                          const std::function<bool(const DeviceEntry&)>& device) override;
  Result create(const Guid* device, DirectDraw** out) override;
  Result createEx(const Guid* device, DirectDraw** out) override;

  // The system as the tests describe it.
  bool libraryPresent = true;
  bool enumerateExPresent = true;
  bool createExPresent = true;
  std::vector<MemoryDevice> devices;        // the default device alone at first
  std::vector<DisplayModeInfo> modes;       // what enumDisplayModes lists (duplicates too)
  bool sixteenBitIs565 = true;              // 16-bit surfaces pack 5-6-5, else 5-5-5
  uint32_t surfaceBitsOverride = 0;         // surfaces report this depth whatever the mode
  uint32_t extraPitch = 0;                  // bytes added to every surface row
  DisplayFaults faults;
  DisplayRecord record;

  // The front surface as colours 0x00RRGGBB, top row first (empty when there is none).
  std::vector<uint32_t> frontPixels(uint32_t& width, uint32_t& height) const;
  // The colours of the palette attached to the front surface (empty when none).
  std::vector<PaletteEntry> frontPalette() const;

  struct State;

 protected:
  // Shows the front surface; the memory display only counts it.
  virtual void present(const LockedSurface& front, const PaletteEntry* palette);
  // The display mode was set or given back (width 0).
  virtual void displayModeChanged(Window* window, const DisplayModeInfo& mode);
  // Whether a mode can be set.
  virtual bool modeSupported(const DisplayModeInfo& mode) const;

 private:
  friend struct State;
  // The default device (null) or one of the listed others.
  bool knownDevice(const Guid* device) const;
  std::shared_ptr<State> state_;
};

}  // namespace quorix::platform::ddraw
