// File-system facts the engine needs beyond reading and writing files.
#pragma once

#include <string>

namespace quorix::platform {

// The user's configuration folder for this program, with a final '/':
// $XDG_CONFIG_HOME/quorix/, else ~/.config/quorix/. Empty when neither variable is set.
std::string userConfigFolder();

// True when `path` is a directory this process may create files in.
bool isWritableFolder(const std::string& path);

// True when `path` names an existing regular file (links followed).
bool isRegularFile(const std::string& path);

// Creates `path` and its missing parents; true when it exists as a directory afterwards.
bool makeFolders(const std::string& path);

}  // namespace quorix::platform
