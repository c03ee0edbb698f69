// The 'BTRK' service for the program's commands: the beat tracker plug-in of the engine's
// base folder, loaded by the engine's plug-in loader and started as an engine open starts it.
#pragma once

#include <memory>
#include <string>

#include "plugin/plugin_manager.h"
#include "plugin_sdk/quorix_plugin.h"

namespace quorix::app {

class BeatTrackerService {
 public:
  // The started service of the plug-ins under `baseFolder` that publishes 'BTRK' (the one
  // loaded last when several do), or null.
  static std::unique_ptr<BeatTrackerService> find(const std::string& baseFolder);

  // Stops the services and unloads the plug-ins; the table must not be used afterwards.
  ~BeatTrackerService();
  BeatTrackerService(const BeatTrackerService&) = delete;
  BeatTrackerService& operator=(const BeatTrackerService&) = delete;

  const BeatTrackerTable& table() const { return *table_; }
  // The plug-in file that publishes it.
  const std::string& path() const { return path_; }

 private:
  BeatTrackerService() = default;

  plugin::PluginManager::Pointer plugins_;
  const BeatTrackerTable* table_ = nullptr;
  std::string path_;
};

}  // namespace quorix::app
