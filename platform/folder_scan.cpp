#include "platform/folder_scan.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <set>
#include <utility>

namespace quorix::platform {
namespace {

struct Scan {
  const std::string& pattern;
  size_t room;
  std::vector<std::string> found;
  std::set<std::pair<dev_t, ino_t>> visited;

  bool full() const { return found.size() >= room; }

  void folder(const std::string& path) {
    if (full()) return;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return;
    if (!visited.insert({info.st_dev, info.st_ino}).second) return;

    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) return;
    std::string prefix = path;
    if (prefix.empty() || prefix.back() != '/') prefix += '/';

    std::vector<std::string> subfolders;
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      std::string full = prefix + name;
      struct stat entryInfo {};
      if (stat(full.c_str(), &entryInfo) == 0 && S_ISDIR(entryInfo.st_mode)) {
        subfolders.push_back(std::move(full));
      } else if (!this->full() && matchesPattern(name, pattern)) {
        found.push_back(std::move(full));
      }
    }
    closedir(dir);

    for (const std::string& sub : subfolders) folder(sub);
  }
};

}  // namespace

bool matchesPattern(const std::string& name, const std::string& pattern) {
  return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

std::vector<std::string> scanFolder(const std::string& folder, const std::string& pattern,
                                    size_t room) {
  Scan scan{pattern, room, {}, {}};
  scan.folder(folder.empty() ? std::string(".") : folder);
  return std::move(scan.found);
}

}  // namespace quorix::platform
