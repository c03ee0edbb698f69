// EnginePreferences: the user's settings, stored as a 2908-byte record beside the library.
//
// Stored layout (little-endian, as the record sits in memory on the engine's original
// platform; fields the engine does not use are carried unchanged):
//
//   offset  width  field
//   ------  -----  -----------------------------------------------------------------------
//        0      4  version: 2 (a stored record is accepted only with version 2)
//        4      4  loading screen: 1 = show it while opening full screen
//        8      6  background colour: red, green, blue (16 bits each)
//       14      2  (zero)
//       16      4  display statistics ("Display Statistics")
//       20      4  beat/effect ratio ("Beat/Effect ratio"), 1..10
//       24      4  play incrementally: 0 = "Randomly", 1 = "Incrementally"
//       28      4  640x480: 0 = 320 x 240, 1 = 640 x 480
//       32      4  sensitivity ("Sensitivity"), 0..100
//       36      4  default BPM ("Default BPM"), 10..300
//       40      4  pixel doubling in 640 x 480
//       44      2  visuals folder length (the length in both bytes: length x 257)
//       46    260  visuals folder, zero-terminated
//      306      2  (zero)
//      308      4  window position x (signed)
//      312      4  window position y (signed)
//      316      4  MIDI driver kind
//      320     32  preferred MIDI input device name, zero-terminated
//      352      4  MIDI all-inputs flag
//      356      4  MIDI driver-change notice flag
//      360      4  preferred display device (index; 0 = the default device)
//      364      4  display mode list: device count (0..5)
//      368   1840  display mode list: 5 devices of 368 bytes each:
//                    +0 device key (enumeration index), +4 mode count (0..30),
//                    +8 30 modes of width, height, bits per pixel (4 bytes each)
//     2208    700  editing-side settings, carried unchanged
//     2908         end
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "config/configuration.h"

namespace quorix::host {

inline constexpr uint32_t kPreferencesVersion = 2;
inline constexpr size_t kPreferencesSize = 2908;
inline constexpr size_t kMaxDisplayDevices = 5;
inline constexpr size_t kMaxDisplayModes = 30;
inline constexpr size_t kVisualsFolderSize = 260;
inline constexpr size_t kMidiDeviceNameSize = 32;
inline constexpr size_t kEditorSettingsOffset = 2208;
inline constexpr size_t kEditorSettingsSize = kPreferencesSize - kEditorSettingsOffset;

struct DisplayMode {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bitsPerPixel = 0;
};

struct DisplayDeviceModes {
  uint32_t deviceKey = 0;
  uint32_t modeCount = 0;
  std::array<DisplayMode, kMaxDisplayModes> modes{};
};

// Display devices and their modes, as the full-screen output enumerated them.
struct DisplayModeList {
  uint32_t deviceCount = 0;
  std::array<DisplayDeviceModes, kMaxDisplayDevices> devices{};
};

struct MidiPreferences {
  int32_t driverKind = 1;                       // 1 and 4 MIDI ports, 2 notice, 3 feed, 5 buffer
  std::array<char, kMidiDeviceNameSize> deviceName{}; // preferred input; empty = the first
  uint32_t allInputs = 0;                        // 1: open every input device
  uint32_t driverNotice = 0;                     // 1: tell the user to restart after a change
};

struct EnginePreferences {
  // Stored fields.
  uint32_t version = kPreferencesVersion;
  uint32_t loadingScreen = 1;
  std::array<uint16_t, 3> backgroundColor{};   // red, green, blue
  uint32_t displayStatistics = 0;
  uint32_t beatEffectRatio = 1;
  uint32_t playIncrementally = 1;
  uint32_t large = 0;                          // the 640x480 preference
  uint32_t sensitivity = 50;
  uint32_t defaultBpm = 120;
  uint32_t pixelDoubling = 0;
  uint16_t visualsFolderLength = 0;
  std::array<char, kVisualsFolderSize> visualsFolder{};
  int32_t windowX = 0;
  int32_t windowY = 0;
  MidiPreferences midi;
  uint32_t preferredDisplayDevice = 0;
  DisplayModeList displayModes;
  std::array<uint8_t, kEditorSettingsSize> editorSettings{};

  // Run-time fields, never stored.
  uint32_t changed = 0;          // 1 when a field changed and the record must be saved
  config::ConfigSettings config; // values of the configuration file

  std::string visualsFolderPath() const;
  // Sets the folder and its length word; false when the path does not fit (over 255 bytes).
  bool setVisualsFolder(const std::string& path);
  std::string midiDeviceName() const;
  void setMidiDeviceName(const std::string& name);
};

// The stored bytes of a record.
std::array<uint8_t, kPreferencesSize> serializePreferences(const EnginePreferences& prefs);

// Takes a stored record over `prefs` when it is exactly kPreferencesSize bytes with version 2;
// false (prefs untouched) otherwise. A stored record is untrusted: the ratio is clamped to
// 1..10, strings are terminated, and the display list's counts are clamped.
bool deserializePreferences(const uint8_t* bytes, size_t size, EnginePreferences& prefs);

// Copies the configuration file's values into the record's run-time fields.
void applyConfiguration(EnginePreferences& prefs, const config::ConfigSettings& settings);

}  // namespace quorix::host
