// The engine library's string resources: message texts looked up by number.
#pragma once

namespace quorix::ui {

// Resource numbers with a meaning of their own.
enum StringId : int {
  kStringLibraryName = 1000,       // base name of the preferences file
  kStringMidiRestart = 1005,
  kStringPatchMemory = 1009,
  kStringEngineActive = 1011,
  kStringSelectSynth = 1012,
  kStringSwitchTo256 = 1013,
  kStringScreenTooLarge = 1014,
  kStringNotEnoughMemory = 1015,
  kStringOpenFailed = 1016,
  kStringDiskError = 1017,
  kStringOtherVersion = 1019,
  kStringSynthDamaged = 1020,
  kStringPatchDamaged = 1021,
  kStringFileDamaged = 1022,
  kStringMovieTableDamaged = 1023,
  kStringObjectTableDamaged = 1024,
  kStringMovieNotBeside = 1025,
  kStringAlreadyOpen = 1037,
  kStringMovieNotInOriginal = 1039,
  kStringDiskNotWorking = 1043,
};

// The text of string resource `id`, or null when the library has none.
const char* stringResource(int id);

}  // namespace quorix::ui
