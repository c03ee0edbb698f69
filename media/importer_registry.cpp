#include "media/importer_registry.h"

namespace quorix::media {

bool ImporterRegistry::build(bool mediaPlatformStarted,
                             std::vector<std::unique_ptr<PictureImporter>> plugins) {
  importers_.clear();
  std::vector<std::unique_ptr<PictureImporter>> made;
  if (mediaPlatformStarted) made.push_back(makeQuickDrawImporter());
  made.push_back(makeBitmapImporter());
  for (auto& importer : plugins) made.push_back(std::move(importer));
  for (const auto& importer : made) {
    if (importer == nullptr) return false;
  }
  importers_ = std::move(made);
  return true;
}

PictureImporter* ImporterRegistry::find(FourCC format) const {
  for (const auto& importer : importers_) {
    if (importer->format() == format) return importer.get();
  }
  return nullptr;
}

FourCC ImporterRegistry::acceptsType(FourCC type) const {
  for (const auto& importer : importers_) {
    if (FourCC accepted = importer->acceptsType(type); accepted != 0) return accepted;
  }
  return 0;
}

void ImporterRegistry::addFileFilters() const {
  for (const auto& importer : importers_) importer->addFileFilter();
}

ImporterRegistry& importerRegistry() {
  static ImporterRegistry registry;
  return registry;
}

}  // namespace quorix::media
