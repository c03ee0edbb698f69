// A temporary folder of plug-in files made from the test plug-ins, and the trace they write.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/plugin_manager.h"
#include "tests/support/temp_folder.h"

namespace quorix::testing {

class PluginFolder {
 public:
  // Copies the test plug-in `variant` (e.g. "effect.so") to `relative` under the plug-in
  // folder (e.g. "sub/a.kpl") and returns the copy's full path. Each copy is a library of its
  // own, with its own data.
  std::string add(const std::string& variant, const std::string& relative) const {
    return copy(std::string(TEST_PLUGIN_DIR) + "/" + variant, relative);
  }
  // The same for a library of the build's stage folder (e.g. "memo.kpl").
  std::string addStaged(const std::string& file, const std::string& relative) const {
    return copy(std::string(QUORIX_STAGE_DIR) + "/" + file, relative);
  }
  std::string copy(const std::string& from, const std::string& relative) const {
    std::string to = folder / relative;
    std::filesystem::create_directories(std::filesystem::path(to).parent_path());
    std::filesystem::copy_file(from, to);
    return to;
  }

  // A manager made on the plug-in folder.
  plugin::PluginManager::Pointer load(std::vector<std::string>* progress = nullptr) const {
    plugin::PluginManagerOptions options;
    options.folder = folder.path();
    if (progress != nullptr) {
      options.progress = [progress](const std::string& line) { progress->push_back(line); };
    }
    return plugin::PluginManager::create(options);
  }

  // The lines the plug-ins traced since the last call; forgets them.
  std::vector<std::string> trace() const {
    std::istringstream text(readFile(tracePath));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    std::filesystem::remove(tracePath);
    return lines;
  }

  // The part of `record`'s path under the plug-in folder.
  std::string relative(const plugin::PluginRecord& record) const {
    return std::string(record.path).substr(folder.path().size() + 1);
  }

  TempFolder folder;
  TempFolder scratch;
  std::string tracePath = scratch / "trace.txt";

 private:
  ScopedEnv traceEnv_{"QUORIX_TEST_TRACE", tracePath};
};

// The records of a list from its head, as paths under the plug-in folder.
template <typename Record>
std::vector<std::string> listed(const PluginFolder& plugins, const plugin::PluginList<Record>& list) {
  std::vector<std::string> out;
  for (const plugin::PluginRecord* r = list.head; r != nullptr; r = r->next) {
    out.push_back(plugins.relative(*r));
  }
  return out;
}

}  // namespace quorix::testing
