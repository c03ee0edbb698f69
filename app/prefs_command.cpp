// quorix prefs: shows and changes the stored preferences.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/command.h"
#include "app/preference_fields.h"
#include "config/configuration.h"
#include "host/preferences_file.h"
#include "platform/files.h"

namespace quorix::app {
namespace {

const char kHelp[] =
    "Usage: quorix prefs [show]\n"
    "       quorix prefs set NAME VALUE\n"
    "\n"
    "show (the default) prints every preference and configuration value, one\n"
    "'name: value' line each, and the files they were read from.\n"
    "\n"
    "set changes one stored preference and saves the preferences file. NAME is one\n"
    "of the names 'show' prints (letter case ignored; quote names with spaces):\n"
    "  \"Beat/Effect ratio\" 1 to 10, \"Sensitivity\" 0 to 100, \"Default BPM\" 10 to 300,\n"
    "  \"Play order\" Randomly or Incrementally, \"Pixel doubling\" 0 or 1, ...\n"
    "The configuration values come from the file Kyrel_IT.cfg (in the current\n"
    "directory, else in $XDG_CONFIG_HOME/quorix/) and are edited there.\n"
    "\n"
    "The preferences file is \"Quorix Visualizer 1_0.prf\" in the engine's base\n"
    "folder, or in $XDG_CONFIG_HOME/quorix/ when the base folder is not writable.\n"
    "\n"
    "Exit status: 0 done, 1 the file could not be written, 2 a bad name or value.\n";

host::PreferencesFile preferencesFileOf(const GlobalOptions& options) {
  return host::PreferencesFile(baseFolderOf(options), platform::userConfigFolder());
}

void printDisplayModes(const host::DisplayModeList& list) {
  if (list.deviceCount == 0) {
    std::printf("Display modes: none recorded\n");
    return;
  }
  for (uint32_t d = 0; d < list.deviceCount; ++d) {
    const host::DisplayDeviceModes& device = list.devices[d];
    std::printf("Display device %u modes:", device.deviceKey);
    for (uint32_t m = 0; m < device.modeCount; ++m) {
      const host::DisplayMode& mode = device.modes[m];
      std::printf(" %ux%ux%u", mode.width, mode.height, mode.bitsPerPixel);
    }
    std::printf("\n");
  }
}

int show(const GlobalOptions& options) {
  host::PreferencesFile file = preferencesFileOf(options);
  host::EnginePreferences prefs;
  bool loaded = file.load(prefs);
  config::ConfigurationSource configuration = config::loadConfigurationFile();
  host::applyConfiguration(prefs, configuration.settings);

  for (const PreferenceField& field : preferenceFields()) {
    std::printf("%s: %s\n", field.name, field.get(prefs).c_str());
  }
  printDisplayModes(prefs.displayModes);
  for (const config::ConfigKey& key : config::kConfigKeys) {
    std::printf("%s: %d\n", key.key, prefs.config.*key.field);
  }
  std::printf("Preferences file: %s\n",
              loaded ? file.readPath().c_str() : "none read (defaults)");
  std::printf("Preferences saved to: %s\n", file.writePath().c_str());
  std::printf("Configuration file: %s\n",
              configuration.path.empty() ? "none read (defaults)" : configuration.path.c_str());
  return kExitOk;
}

int set(const GlobalOptions& options, const std::string& name, const std::string& value) {
  const PreferenceField* field = findPreferenceField(name);
  if (field == nullptr) {
    for (const config::ConfigKey& key : config::kConfigKeys) {
      if (name == key.key) {
        return fail(kExitUsage, "'" + name + "' is a configuration value: set it in " +
                                    config::kConfigurationFileName);
      }
    }
    return fail(kExitUsage, "unknown preference '" + name + "' (see 'quorix prefs show')");
  }
  host::PreferencesFile file = preferencesFileOf(options);
  host::EnginePreferences prefs;
  file.load(prefs);
  if (!field->set(prefs, value)) {
    return fail(kExitUsage, "invalid value '" + value + "' for '" + field->name + "': expected " +
                                field->values);
  }
  prefs.changed = 1;
  errno = 0;
  if (!file.save(prefs)) {
    std::string reason = errno != 0 ? std::strerror(errno) : "write failed";
    return fail(kExitFailure, "cannot write " + file.writePath() + ": " + reason);
  }
  std::printf("%s: %s\n", field->name, field->get(prefs).c_str());
  return kExitOk;
}

int runPrefs(const GlobalOptions& options, const std::vector<std::string>& args) {
  if (args.empty() || (args.size() == 1 && args[0] == "show")) return show(options);
  if (args[0] == "set") {
    if (args.size() != 3) return fail(kExitUsage, "usage: quorix prefs set NAME VALUE");
    return set(options, args[1], args[2]);
  }
  return fail(kExitUsage, "unknown prefs action '" + args[0] + "' (use show or set)");
}

}  // namespace

extern const Command kPrefsCommand = {"prefs", "show or change the stored preferences", kHelp,
                                      runPrefs};

}  // namespace quorix::app
