// The engine's expert settings: the optional text file "Kyrel_IT.cfg", read once at start-up.
//
// One setting a line: the line starts with the key (case-sensitive), the next character is a
// separator of any kind, and the rest is a decimal integer. Lines that match no key are
// ignored; a later line for a key wins. The file is looked for in the current directory, then
// in the user's configuration folder ($XDG_CONFIG_HOME/quorix/).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace quorix::config {

inline constexpr const char* kConfigurationFileName = "Kyrel_IT.cfg";

struct ConfigSettings {
  int32_t effectTimer = 0;           // "EffectTimer": time plug-in calls, open the log
  int32_t surfaceLock = 1;           // "SurfaceLock": lock the display surface every frame
  int32_t useAcceleratedPreview = 0; // "UseAcceleratedPreview": windowed 16-bit layout
  int32_t useSystemHeap = 0;         // "UseSystemHeap": memory figures <= 0 read as 0
  int32_t directXChangeWindowPosition = 0; // "DirectXChangeWindowPosition"
  int32_t useMidi = 0;               // "UseMidi": prepare and open MIDI devices
  int32_t usePCKeyboard = 1;         // "UsePCKeyboard": computer keys play the visual
};

// The keys in the order lines are compared with them, each with its field.
struct ConfigKey {
  const char* key;
  int32_t ConfigSettings::*field;
};
extern const ConfigKey kConfigKeys[7];

// Reads settings from an open text stream; defaults where the stream says nothing.
ConfigSettings parseConfiguration(FILE* stream);

// Where readConfiguration found the file, or empty when there was none.
struct ConfigurationSource {
  ConfigSettings settings;
  std::string path;
};

// Reads the configuration file (defaults when there is none) and nothing more.
ConfigurationSource loadConfigurationFile();

// Reads the configuration file, makes it the engine's current configuration and, when
// "EffectTimer" is non-zero, opens the diagnostic log. Called once at engine start-up.
ConfigurationSource readConfiguration();

// The configuration read last (defaults before the first read).
const ConfigSettings& configuration();

// The path the file is read from: the bare name when it exists in the current directory,
// else the user's configuration folder's copy when that exists, else empty.
std::string findConfigurationFile();

}  // namespace quorix::config
