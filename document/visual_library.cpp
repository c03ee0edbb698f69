#include "document/visual_library.h"

#include <vector>

#include "document/document_host.h"
#include "document/synth_document.h"
#include "platform/files.h"
#include "platform/folder_scan.h"

namespace quorix::document {

int VisualLibrary::scanFolder(const std::string& folder, const std::string& pattern, int room) {
  if (room <= 0 || visualCount >= kMaxVisuals) return 0;
  if (room > kMaxVisuals - visualCount) room = kMaxVisuals - visualCount;
  std::string start = folder.empty() ? platform::executableFolder() : folder;
  if (start.empty()) return 0;
  int added = 0;
  for (const std::string& path : platform::scanFolder(start, pattern, static_cast<size_t>(room))) {
    if (setFilePath(list[visualCount].spec, path)) {
      ++visualCount;
      ++added;
    }
  }
  return added;
}

void VisualLibrary::scanVisuals(const std::string& baseFolder, const std::string& visualsFolder) {
  visualCount = 0;
  scanFolder(baseFolder, kVisualPattern, kMaxVisuals);
  if (!visualsFolder.empty() && visualCount < kMaxVisuals) {
    scanFolder(visualsFolder, kVisualPattern, kMaxVisuals - visualCount);
  }
}

void VisualLibrary::closeCurrentVisual() {
  if (currentSynth >= 0 && currentSynth < synthList().count()) {
    synthSlot(currentSynth)->modified = 0;
    closeSynth(currentSynth, false);
    if (documentHost().engineRunning()) documentHost().currentVisualClosed();
  }
  // The closed Synth's index may soon name another Synth: never close it a second time.
  currentSynth = -1;
}

void VisualLibrary::advance() {
  currentVisual = currentVisual < 0 || currentVisual >= visualCount - 1 ? 0 : currentVisual + 1;
}

int32_t VisualLibrary::loadNextVisual(const VisualEntry* entry) {
  closeCurrentVisual();
  if (entry == nullptr) {
    if (visualCount <= 0) {
      currentVisual = -1;
      return -1;
    }
    advance();
  }
  int32_t synth = openSynth(filePath(entry != nullptr ? entry->spec : list[currentVisual].spec), true);
  for (int tries = 0; synth < 0 && tries < visualCount - 1; ++tries) {
    advance();
    synth = openSynth(filePath(list[currentVisual].spec), true);
  }
  if (synth < 0) currentVisual = -1;
  currentSynth = synth;
  return synth;
}

}  // namespace quorix::document
