#include "config/configuration.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "config/diagnostic_log.h"
#include "platform/files.h"

namespace quorix::config {
namespace {

ConfigSettings gCurrent;

// A decimal leading integer: leading blanks and a sign accepted, conversion stops at the first
// non-digit, no digits gives 0. Values beyond 32 bits are clamped.
int32_t leadingInteger(const char* text) {
  long long value = std::strtoll(text, nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

}  // namespace

const ConfigKey kConfigKeys[7] = {
    {"EffectTimer", &ConfigSettings::effectTimer},
    {"SurfaceLock", &ConfigSettings::surfaceLock},
    {"UseAcceleratedPreview", &ConfigSettings::useAcceleratedPreview},
    {"UseSystemHeap", &ConfigSettings::useSystemHeap},
    {"DirectXChangeWindowPosition", &ConfigSettings::directXChangeWindowPosition},
    {"UseMidi", &ConfigSettings::useMidi},
    {"UsePCKeyboard", &ConfigSettings::usePCKeyboard},
};

ConfigSettings parseConfiguration(FILE* stream) {
  ConfigSettings settings;
  if (stream == nullptr) return settings;
  char line[256];  // at most 255 characters a line; a longer line continues as the next one
  while (std::fgets(line, sizeof line, stream) != nullptr) {
    size_t length = std::strlen(line);
    if (length > 0 && line[length - 1] == '\n') line[--length] = 0;
    const char* start = line;
    if (start[0] == '\r') {
      ++start;
      --length;
    }
    for (const ConfigKey& key : kConfigKeys) {
      size_t keyLength = std::strlen(key.key);
      if (std::strncmp(start, key.key, keyLength) != 0) continue;
      // The character after the key is a separator and is skipped unread; a line that ends
      // with the key has an empty value.
      const char* value = length > keyLength ? start + keyLength + 1 : "";
      settings.*key.field = leadingInteger(value);
    }
  }
  return settings;
}

std::string findConfigurationFile() {
  if (platform::isRegularFile(kConfigurationFileName)) return kConfigurationFileName;
  std::string folder = platform::userConfigFolder();
  if (!folder.empty() && platform::isRegularFile(folder + kConfigurationFileName)) {
    return folder + kConfigurationFileName;
  }
  return {};
}

ConfigurationSource loadConfigurationFile() {
  ConfigurationSource source;
  source.path = findConfigurationFile();
  if (!source.path.empty()) {
    if (FILE* file = std::fopen(source.path.c_str(), "r")) {
      source.settings = parseConfiguration(file);
      std::fclose(file);
    } else {
      source.path.clear();
    }
  }
  return source;
}

ConfigurationSource readConfiguration() {
  ConfigurationSource source = loadConfigurationFile();
  gCurrent = source.settings;
  if (source.settings.effectTimer != 0) openLog();
  return source;
}

const ConfigSettings& configuration() { return gCurrent; }

}  // namespace quorix::config
