#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <link.h>
#include <limits.h>
#include <stdlib.h>

#include <utility>

namespace quorix::platform {

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, nullptr);
    error_ = std::move(other.error_);
  }
  return *this;
}

bool DynamicLibrary::open(const std::string& path) {
  close();
  error_.clear();
  // A path without a slash would make dlopen search the library path instead of the file.
  std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* message = dlerror();
    error_ = message != nullptr ? message : "the library could not be loaded";
    return false;
  }
  return true;
}

void* DynamicLibrary::symbol(const char* name) const {
  if (handle_ == nullptr || name == nullptr) return nullptr;
  dlerror();
  return dlsym(handle_, name);
}

void DynamicLibrary::close() {
  if (handle_ != nullptr) {
    dlclose(handle_);
    handle_ = nullptr;
  }
}

size_t exportedSymbolSize(const void* address) {
  Dl_info info{};
  void* entry = nullptr;  // the symbol's table entry, an ElfW(Sym)
  if (address == nullptr || dladdr1(address, &info, &entry, RTLD_DL_SYMENT) == 0 ||
      entry == nullptr || info.dli_saddr != address) {
    return 0;
  }
  return static_cast<size_t>(static_cast<const ElfW(Sym)*>(entry)->st_size);
}

std::string folderOfLoadedFile(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr || info.dli_fname[0] == 0) {
    return {};
  }
  std::string path = info.dli_fname;
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) != nullptr) path = resolved;
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

}  // namespace quorix::platform
