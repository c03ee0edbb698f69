#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <filesystem>

namespace quorix::platform {

std::string userConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/quorix/";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != 0) return std::string(home) + "/.config/quorix/";
  return {};
}

bool isWritableFolder(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         access(path.c_str(), W_OK | X_OK) == 0;
}

bool isRegularFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool makeFolders(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return std::filesystem::is_directory(path, error);
}

}  // namespace quorix::platform
