// File streams opened with the document container's modes, and the plain file object that
// plug-ins read whole files through (the host toolbox's file slots).
//
// [render thread]
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace quorix::document {

struct FileSpec;

// Opens `path` as the chunk file container does: "rb" when `writable` is clear; else "rb+",
// falling back to creating the file ("wb+") only when it does not exist and `mayCreate` is set;
// or created empty ("wb+") when `mayCreate` is clear. A file whose read-only attribute is set is
// not opened for writing. 0 with *file set, -1 for an empty path, -2 when it cannot be opened.
int32_t openFileStream(const std::string& path, bool mayCreate, bool writable, std::FILE** file);

// A file opened by path that is read from front to back. Its status is 0 while every operation
// succeeded, -1 when it was made without a path, -2 when opening failed and -4 after a short
// read; once it is not 0 nothing more is read.
class FileObject {
 public:
  FileObject() = default;
  ~FileObject() { close(); }
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  // Opens the path that `spec` holds (bounded by its field) with openFileStream's modes.
  int32_t open(const FileSpec& spec, bool mayCreate, bool writable);
  void close();

  bool isOpen() const { return file_ != nullptr; }
  int32_t status() const { return status_; }
  const std::string& path() const { return path_; }
  // The file's size in bytes (0 when it is not open); the read position goes back to the
  // start of the file.
  int64_t size();
  // Reads `count` bytes into `buffer`: the status, -4 after a short read (what was read stays in
  // the buffer). A negative count reads nothing and counts as a short read.
  int32_t read(void* buffer, int32_t count);

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
  int32_t status_ = -1;
};

}  // namespace quorix::document
