#include "app/beat_tracker_service.h"

#include "platform/folder_scan.h"

namespace quorix::app {
namespace {

// As many plug-in files as the engine's loader takes.
constexpr size_t kMostPlugins = 100;

intptr_t callPlugin(PluginEntry entry, int32_t selector) {
  PluginCallBlock block{};
  block.selector = selector;
  entry(&block);
  return block.result;
}

}  // namespace

std::unique_ptr<BeatTrackerService> BeatTrackerService::find(const std::string& baseFolder) {
  for (const std::string& path : platform::scanFolder(baseFolder, "*.kpl", kMostPlugins)) {
    std::unique_ptr<BeatTrackerService> service(new BeatTrackerService());
    if (!service->library_.open(path)) continue;
    auto entry = reinterpret_cast<PluginEntry>(service->library_.symbol(QX_ENTRY_NAME_DECORATED));
    if (entry == nullptr) entry = reinterpret_cast<PluginEntry>(service->library_.symbol(QX_ENTRY_NAME));
    if (entry == nullptr || callPlugin(entry, QX_SELECTOR_IDENTIFY) != intptr_t{QX_TYPE_SERVICE}) continue;
    if (callPlugin(entry, QX_SELECTOR_START_SERVICE) != 0) continue;
    service->entry_ = entry;  // started: stopped again when the service goes
    if (callPlugin(entry, QX_SELECTOR_SERVICE_ID) != intptr_t{QX_SERVICE_BEAT_TRACKER}) continue;
    service->table_ =
        reinterpret_cast<const BeatTrackerTable*>(callPlugin(entry, QX_SELECTOR_SERVICE_TABLE));
    if (service->table_ == nullptr) continue;
    service->path_ = path;
    return service;
  }
  return nullptr;
}

BeatTrackerService::~BeatTrackerService() {
  if (entry_ != nullptr) callPlugin(entry_, QX_SELECTOR_STOP_SERVICE);
}

}  // namespace quorix::app
