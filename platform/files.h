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

// The folder of the running program, with a final '/'; empty when it cannot be found.
std::string executableFolder();

// True when `path` exists and carries no write permission for anyone: the file's read-only
// attribute, which holds even for a user (root) whom the system would let write it.
bool isReadOnlyFile(const std::string& path);

// Creates a new empty file in the folder of `path`, named after it with a unique suffix, and
// returns its full path; empty when it cannot be created.
std::string createFileBeside(const std::string& path);

// Moves `from` over `to` in one step (both in the same folder); false when it cannot.
bool replaceFile(const std::string& from, const std::string& to);

}  // namespace quorix::platform
