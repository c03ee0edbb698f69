#include "app/preference_fields.h"

#include <strings.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace quorix::app {
namespace {

using host::EnginePreferences;

// Parses a whole decimal integer within [low, high].
bool parseInteger(const std::string& text, long low, long high, long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long parsed = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != 0 || parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

// Parses "a,b[,c...]": `count` integers within [low, high].
bool parseList(const std::string& text, size_t count, long low, long high, std::vector<long>& out) {
  std::stringstream stream(text);
  std::string item;
  out.clear();
  while (std::getline(stream, item, ',')) {
    long value = 0;
    if (!parseInteger(item, low, high, value)) return false;
    out.push_back(value);
  }
  return out.size() == count;
}

bool parseFlag(const std::string& text, uint32_t& flag) {
  static const char* const kOn[] = {"1", "on", "yes", "true"};
  static const char* const kOff[] = {"0", "off", "no", "false"};
  for (const char* word : kOn) {
    if (strcasecmp(text.c_str(), word) == 0) return flag = 1, true;
  }
  for (const char* word : kOff) {
    if (strcasecmp(text.c_str(), word) == 0) return flag = 0, true;
  }
  return false;
}

// A 32-bit field holding a number within [low, high].
template <uint32_t EnginePreferences::*Field, long Low, long High>
PreferenceField numberField(const char* name, const char* values) {
  return {name, values,
          [](const EnginePreferences& p) { return std::to_string(p.*Field); },
          [](EnginePreferences& p, const std::string& text) -> bool {
            long value = 0;
            if (!parseInteger(text, Low, High, value)) return false;
            p.*Field = static_cast<uint32_t>(value);
            return true;
          }};
}

// A 32-bit field holding 0 or 1.
template <uint32_t EnginePreferences::*Field>
PreferenceField flagField(const char* name) {
  return {name, "0 or 1",
          [](const EnginePreferences& p) { return std::to_string(p.*Field != 0 ? 1 : 0); },
          [](EnginePreferences& p, const std::string& text) -> bool {
            uint32_t flag = 0;
            if (!parseFlag(text, flag)) return false;
            p.*Field = flag;
            return true;
          }};
}

std::vector<PreferenceField> makeFields() {
  return {
      flagField<&EnginePreferences::loadingScreen>("Loading screen"),
      {"Background colour", "red,green,blue (each 0 to 65535)",
       [](const EnginePreferences& p) {
         return std::to_string(p.backgroundColor[0]) + "," + std::to_string(p.backgroundColor[1]) +
                "," + std::to_string(p.backgroundColor[2]);
       },
       [](EnginePreferences& p, const std::string& text) -> bool {
         std::vector<long> rgb;
         if (!parseList(text, 3, 0, 65535, rgb)) return false;
         for (size_t i = 0; i < 3; ++i) p.backgroundColor[i] = static_cast<uint16_t>(rgb[i]);
         return true;
       }},
      flagField<&EnginePreferences::displayStatistics>("Display Statistics"),
      numberField<&EnginePreferences::beatEffectRatio, 1, 10>("Beat/Effect ratio", "1 to 10"),
      {"Play order", "Randomly or Incrementally",
       [](const EnginePreferences& p) {
         return std::string(p.playIncrementally != 0 ? "Incrementally" : "Randomly");
       },
       [](EnginePreferences& p, const std::string& text) -> bool {
         if (strcasecmp(text.c_str(), "Randomly") == 0) {
           p.playIncrementally = 0;
         } else if (strcasecmp(text.c_str(), "Incrementally") == 0) {
           p.playIncrementally = 1;
         } else {
           return false;
         }
         return true;
       }},
      flagField<&EnginePreferences::large>("640x480"),
      numberField<&EnginePreferences::sensitivity, 0, 100>("Sensitivity", "0 to 100"),
      numberField<&EnginePreferences::defaultBpm, 10, 300>("Default BPM", "10 to 300"),
      flagField<&EnginePreferences::pixelDoubling>("Pixel doubling"),
      {"Visuals folder", "a folder path of at most 255 bytes",
       [](const EnginePreferences& p) { return p.visualsFolderPath(); },
       [](EnginePreferences& p, const std::string& text) -> bool {
         return p.setVisualsFolder(text);
       }},
      {"Window position", "x,y",
       [](const EnginePreferences& p) {
         return std::to_string(p.windowX) + "," + std::to_string(p.windowY);
       },
       [](EnginePreferences& p, const std::string& text) -> bool {
         std::vector<long> xy;
         if (!parseList(text, 2, INT32_MIN, INT32_MAX, xy)) return false;
         p.windowX = static_cast<int32_t>(xy[0]);
         p.windowY = static_cast<int32_t>(xy[1]);
         return true;
       }},
      {"MIDI driver kind", "0 to 5",
       [](const EnginePreferences& p) { return std::to_string(p.midi.driverKind); },
       [](EnginePreferences& p, const std::string& text) -> bool {
         long value = 0;
         if (!parseInteger(text, 0, 5, value)) return false;
         p.midi.driverKind = static_cast<int32_t>(value);
         return true;
       }},
      {"MIDI input device", "a device name of at most 31 bytes",
       [](const EnginePreferences& p) { return p.midiDeviceName(); },
       [](EnginePreferences& p, const std::string& text) -> bool {
         if (text.size() >= host::kMidiDeviceNameSize) return false;
         p.setMidiDeviceName(text);
         return true;
       }},
      {"MIDI all inputs", "0 or 1",
       [](const EnginePreferences& p) { return std::to_string(p.midi.allInputs != 0 ? 1 : 0); },
       [](EnginePreferences& p, const std::string& text) -> bool {
         return parseFlag(text, p.midi.allInputs);
       }},
      {"MIDI driver notice", "0 or 1",
       [](const EnginePreferences& p) { return std::to_string(p.midi.driverNotice != 0 ? 1 : 0); },
       [](EnginePreferences& p, const std::string& text) -> bool {
         return parseFlag(text, p.midi.driverNotice);
       }},
      numberField<&EnginePreferences::preferredDisplayDevice, 0, 5>("Display device", "0 to 5"),
  };
}

}  // namespace

const std::vector<PreferenceField>& preferenceFields() {
  static const std::vector<PreferenceField> fields = makeFields();
  return fields;
}

const PreferenceField* findPreferenceField(const std::string& name) {
  for (const PreferenceField& field : preferenceFields()) {
    if (strcasecmp(field.name, name.c_str()) == 0) return &field;
  }
  return nullptr;
}

}  // namespace quorix::app
