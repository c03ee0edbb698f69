// The 'BTRK' service for the program's commands: the beat tracker plug-in of the engine's
// base folder, loaded and started through the plug-in call protocol.
//
// A stand-in until the engine's plug-in loader is available: this finds the first "*.kpl"
// under the base folder that identifies as a service ('SERV'), starts and answers 'BTRK'
// with a table. Callers only see the table, so the lookup can move to the loader alone.
#pragma once

#include <memory>
#include <string>

#include "platform/dynamic_library.h"
#include "plugin_sdk/quorix_plugin.h"

namespace quorix::app {

class BeatTrackerService {
 public:
  // The started service of the first plug-in under `baseFolder` publishing 'BTRK', or null.
  static std::unique_ptr<BeatTrackerService> find(const std::string& baseFolder);

  // Stops the service and unloads its library; the table must not be used afterwards.
  ~BeatTrackerService();
  BeatTrackerService(const BeatTrackerService&) = delete;
  BeatTrackerService& operator=(const BeatTrackerService&) = delete;

  const BeatTrackerTable& table() const { return *table_; }
  // The plug-in file that publishes it.
  const std::string& path() const { return path_; }

 private:
  BeatTrackerService() = default;

  platform::DynamicLibrary library_;
  PluginEntry entry_ = nullptr;
  const BeatTrackerTable* table_ = nullptr;
  std::string path_;
};

}  // namespace quorix::app
