// The library of visuals: the ".QRX" files found in the engine's base folder and in the
// visuals folder the user chose, and moving from one visual to the next.
//
// The engine front holds one VisualLibrary. Only one visual's Synth is open through it at a
// time: each step closes the previous one before it opens the next, skipping files that cannot
// be read.
#pragma once

#include <cstdint>
#include <string>

#include "document/synth_list.h"

namespace quorix::document {

inline constexpr int kMaxVisuals = 60;
inline constexpr const char* kVisualPattern = "*.qrx";  // letter case ignored

struct VisualEntry {
  FileSpec spec;
};
static_assert(sizeof(VisualEntry) == 272);

struct VisualLibrary {
  int32_t visualCount = 0;     // entries in `list`, 0..60
  int32_t currentVisual = -1;  // the entry being played, -1 when none
  int32_t currentSynth = -1;   // its Synth in the Synth list, -1 when none
  VisualEntry list[kMaxVisuals]{};

  // Appends the files under `folder` (its own files first, then its subfolders depth first, in
  // the order the system lists them) whose names match `pattern`, at most `room` of them, and
  // returns how many were added. An empty folder means the running program's folder. Paths too
  // long for an entry are skipped.
  int scanFolder(const std::string& folder, const std::string& pattern, int room);

  // Rebuilds the list: the base folder first, then the visuals folder (when one is named) with
  // the room that is left.
  void scanVisuals(const std::string& baseFolder, const std::string& visualsFolder);

  // Closes the Synth this library opened, without asking (its changes are dropped), and
  // forgets it.
  void closeCurrentVisual();

  // Closes the current visual and opens `entry`, or the next entry of the list after the
  // current one (wrapping to the first) when none is given. Entries that cannot be opened are
  // reported and skipped, trying each entry at most once. The new current Synth, or -1 when
  // none opened (or the list is empty).
  int32_t loadNextVisual(const VisualEntry* entry = nullptr);

 private:
  void advance();
};

}  // namespace quorix::document
