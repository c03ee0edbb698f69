// Shared libraries loaded at run time (plug-ins), and the folder a loaded library lives in.
#pragma once

#include <cstddef>
#include <string>

namespace quorix::platform {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary() { close(); }
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Loads the library at `path` with every symbol resolved now and kept local. False when it
  // does not load (not a library, missing, unreadable, unresolved imports); error() says why.
  bool open(const std::string& path);
  bool isOpen() const { return handle_ != nullptr; }
  // The address of an exported symbol, or null.
  void* symbol(const char* name) const;
  void close();
  const std::string& error() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

// The size in bytes of the exported symbol that starts exactly at `address` (as its library
// declares it), or 0 when no exported symbol starts there or its size is not recorded.
size_t exportedSymbolSize(const void* address);

// The folder holding the loaded library (or program) that contains `address`, with a final
// '/'; empty when the address belongs to no loaded file.
std::string folderOfLoadedFile(const void* address);

}  // namespace quorix::platform
