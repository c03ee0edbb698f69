#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

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

std::string executableFolder() {
  std::error_code error;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || !program.has_parent_path()) return {};
  std::string folder = program.parent_path().string();
  return folder.back() == '/' ? folder : folder + "/";
}

bool isReadOnlyFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 &&
         (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::string createFileBeside(const std::string& path) {
  if (path.empty()) return {};
  std::string pattern = path + ".partial-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back(0);
  int fd = mkstemp(name.data());
  if (fd < 0) return {};
  // Made private by mkstemp; give it the permissions any new file of this user gets.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  return std::string(name.data());
}

bool replaceFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace quorix::platform
