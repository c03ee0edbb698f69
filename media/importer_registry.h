// The picture importer registry: one per engine, built once the plug-ins are loaded.
//
// It holds, in order: the QuickDraw picture importer when the media platform started, the
// bitmap importer, then one importer for each loaded file-I/O plug-in. If any importer could
// not be made the registry stays empty, and no picture can be decoded.
#pragma once

#include <memory>
#include <vector>

#include "media/picture_importer.h"

namespace quorix::media {

class ImporterRegistry {
 public:
  // Replaces the registry's importers. `plugins` are the plug-in importers, in the plug-in
  // list's order; a null among them (one that could not be made) empties the registry.
  // False when the registry ends up empty for that reason.
  bool build(bool mediaPlatformStarted, std::vector<std::unique_ptr<PictureImporter>> plugins);
  // Destroys every importer.
  void clear() { importers_.clear(); }

  size_t size() const { return importers_.size(); }
  PictureImporter* at(size_t index) const { return importers_[index].get(); }
  // The first importer whose format code is `format`, or null.
  PictureImporter* find(FourCC format) const;
  // The format code of the first importer that takes files of type `type`, or 0.
  FourCC acceptsType(FourCC type) const;
  // Every importer adds its entries to the Open dialog's filter list.
  void addFileFilters() const;

 private:
  std::vector<std::unique_ptr<PictureImporter>> importers_;
};

// The engine's registry.
ImporterRegistry& importerRegistry();

}  // namespace quorix::media
