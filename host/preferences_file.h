// Where the preferences live, and the engine-wide record's life: create (defaults, then the
// file), save, release.
//
// The file is "Quorix Visualizer 1_0.prf" in the engine's base folder. When the base folder is
// not writable, the file lives in the user's configuration folder instead, and a copy there is
// read first whenever it exists.
#pragma once

#include <memory>
#include <string>

#include "host/preferences.h"

namespace quorix::host {

// The file name: string resource 1000 with ".prf" appended.
std::string preferencesFileName();

class PreferencesFile {
 public:
  // `baseFolder` is the engine's base folder; `userFolder` the configuration folder used when
  // the base folder cannot be written (empty: none).
  PreferencesFile(std::string baseFolder, std::string userFolder);

  // The file to read: the user folder's copy when it exists, else the base folder's.
  std::string readPath() const;
  // The file to write: the user folder's when its copy exists or the base folder is not
  // writable, else the base folder's.
  std::string writePath() const;

  // Takes the file over `prefs` when it holds a valid record (size between 1 byte and 1 MiB,
  // exactly 2908 bytes, version 2); false, `prefs` untouched, otherwise.
  bool load(EnginePreferences& prefs) const;
  // Writes the 2908 stored bytes, replacing the file as a whole; false when it cannot.
  bool save(const EnginePreferences& prefs) const;

 private:
  std::string baseFolder_;
  std::string userFolder_;
};

// The engine-wide record, or null before it is created.
EnginePreferences* enginePreferences();
// Creates the record when none exists: defaults, then the file. Returns it.
EnginePreferences& createPreferences(const PreferencesFile& file);
// Saves the record when it changed and frees it.
void releasePreferences();
// The file the engine-wide record was read from ("" when defaults hold).
const std::string& preferencesReadFrom();

}  // namespace quorix::host
