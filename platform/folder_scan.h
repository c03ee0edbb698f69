// Scanning a folder tree for files whose names match a pattern.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quorix::platform {

// Full paths of the files under `folder` whose names match `pattern` (shell wildcards, letter
// case ignored as on the engine's original platform): first the matching files of the folder in
// the order the system lists them, then each subfolder the same way, depth first, in listing
// order; at most `room` paths. A folder that cannot be entered adds nothing. The process's
// current directory is never changed, and a folder reached twice (a link back to a parent) is
// not scanned again.
std::vector<std::string> scanFolder(const std::string& folder, const std::string& pattern,
                                    size_t room);

// True when `name` matches the wildcard `pattern`, letter case ignored.
bool matchesPattern(const std::string& name, const std::string& pattern);

}  // namespace quorix::platform
