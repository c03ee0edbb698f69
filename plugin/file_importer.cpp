#include "plugin/file_importer.h"

#include <new>
#include <vector>

#include "media/importer_registry.h"
#include "plugin/host_toolbox.h"

namespace quorix::plugin {
namespace {

// Calls the importer through the toolbox's call block and returns the block's result; 0 when
// the record has no entry point. A C++ exception thrown out of the plug-in stops here.
intptr_t callImporter(PluginRecord& record, int32_t selector, intptr_t argument = 0) noexcept {
  if (record.entry == nullptr) return 0;
  PluginCallBlock& block = hostToolbox().importerBlock;
  block.selector = selector;
  block.argument = argument;
  block.result = 0;
  try {
    record.entry(&block);
  } catch (...) {
    return 0;
  }
  return block.result;
}

class PluginImporter : public media::PictureImporter {
 public:
  PluginImporter(PluginRecord& record, FourCC format) : PictureImporter(format), record_(record) {}

  MemHandle loadFile(const std::string& path) override {
    return reinterpret_cast<MemHandle>(
        callImporter(record_, QX_SELECTOR_IMPORT_OPEN, reinterpret_cast<intptr_t>(path.c_str())));
  }

  bool getBounds(MemHandle data, Rect16* bounds) override {
    ImporterBoundsArgs args{data, Rect16{}};
    const intptr_t known = callImporter(record_, QX_SELECTOR_IMPORT_BOUNDS, reinterpret_cast<intptr_t>(&args));
    *bounds = known != 0 ? args.bounds : Rect16{};
    return known != 0;
  }

  bool draw(MemHandle data, const Rect16& frame, render::OffscreenPort* target) override {
    ImporterDrawArgs args{data, frame, target};
    return callImporter(record_, QX_SELECTOR_IMPORT_DRAW, reinterpret_cast<intptr_t>(&args)) != 0;
  }

  FourCC acceptsType(FourCC type) override {
    ImporterTypeArgs args{type};
    return static_cast<FourCC>(callImporter(record_, QX_SELECTOR_IMPORT_ACCEPTS, reinterpret_cast<intptr_t>(&args)));
  }

  void addFileFilter() override { callImporter(record_, QX_SELECTOR_IMPORT_ADD_FILTER); }

 private:
  PluginRecord& record_;
};

}  // namespace

std::unique_ptr<media::PictureImporter> makePluginImporter(PluginRecord& record) {
  const auto format = static_cast<FourCC>(callImporter(record, QX_SELECTOR_IMPORT_TYPE));
  return std::unique_ptr<media::PictureImporter>(new (std::nothrow) PluginImporter(record, format));
}

bool buildImporterRegistry(PluginManager* manager, bool mediaPlatformStarted) {
  std::vector<std::unique_ptr<media::PictureImporter>> plugins;
  if (manager != nullptr) {
    for (PluginRecord* record = manager->importers().head; record != nullptr; record = record->next) {
      plugins.push_back(makePluginImporter(*record));
    }
  }
  return media::importerRegistry().build(mediaPlatformStarted, std::move(plugins));
}

}  // namespace quorix::plugin
