#include "document/file_object.h"

#include <cerrno>
#include <filesystem>

#include "document/synth_list.h"
#include "platform/files.h"
#include "plugin_sdk/status_codes.h"

namespace quorix::document {

int32_t openFileStream(const std::string& path, bool mayCreate, bool writable, std::FILE** file) {
  *file = nullptr;
  if (path.empty()) return QX_ERR_NO_PATH;
  if (writable && platform::isReadOnlyFile(path)) return QX_ERR_OPEN_FAILED;
  if (!writable) {
    *file = std::fopen(path.c_str(), "rb");
  } else if (mayCreate) {
    *file = std::fopen(path.c_str(), "rb+");
    // Create the file only when it is not there: never truncate one that merely failed to open.
    if (*file == nullptr && errno == ENOENT) *file = std::fopen(path.c_str(), "wb+");
  } else {
    *file = std::fopen(path.c_str(), "wb+");
  }
  return *file != nullptr ? QX_OK : QX_ERR_OPEN_FAILED;
}

int32_t FileObject::open(const FileSpec& spec, bool mayCreate, bool writable) {
  close();
  path_ = filePath(spec);
  // Only files: a folder would open for reading here and then fail every read.
  std::error_code error;
  if (std::filesystem::is_directory(path_, error)) {
    status_ = QX_ERR_OPEN_FAILED;
    return status_;
  }
  status_ = openFileStream(path_, mayCreate, writable, &file_);
  return status_;
}

void FileObject::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

int64_t FileObject::size() {
  if (file_ == nullptr) return 0;
  long end = -1;
  if (std::fseek(file_, 0, SEEK_END) == 0) end = std::ftell(file_);
  std::fseek(file_, 0, SEEK_SET);
  return end > 0 ? end : 0;
}

int32_t FileObject::read(void* buffer, int32_t count) {
  if (status_ != QX_OK) return status_;
  if (count < 0 || (count > 0 && buffer == nullptr)) {
    status_ = QX_ERR_SHORT_READ;
  } else if (count > 0 && std::fread(buffer, 1, static_cast<size_t>(count), file_) !=
                              static_cast<size_t>(count)) {
    status_ = QX_ERR_SHORT_READ;
  }
  return status_;
}

}  // namespace quorix::document
