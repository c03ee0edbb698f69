#include "app/beat_tracker_service.h"

namespace quorix::app {

std::unique_ptr<BeatTrackerService> BeatTrackerService::find(const std::string& baseFolder) {
  plugin::PluginManagerOptions options;
  options.folder = baseFolder;
  std::unique_ptr<BeatTrackerService> service(new BeatTrackerService());
  service->plugins_ = plugin::PluginManager::create(options);
  if (!service->plugins_) return nullptr;
  service->plugins_->startAllServices();
  const void* table = service->plugins_->findService(QX_SERVICE_BEAT_TRACKER);
  if (table == nullptr) return nullptr;
  service->table_ = static_cast<const BeatTrackerTable*>(table);
  for (const plugin::ServiceRecord* s = service->plugins_->services().head; s != nullptr;
       s = s->nextService()) {
    if (s->service.serviceTable == table) {
      service->path_ = s->path;
      break;
    }
  }
  return service;
}

BeatTrackerService::~BeatTrackerService() {
  if (plugins_) plugins_->stopAllServices();
}

}  // namespace quorix::app
