#include "ui/open_dialog_filters.h"

#include <cstring>

namespace quorix::ui {

void FileFilterList::add(const char* description, const char* pattern) {
  if (description == nullptr || pattern == nullptr) return;
  const size_t d = std::strlen(description);
  const size_t p = std::strlen(pattern);
  if (static_cast<size_t>(used_) + d + p + 3 >= kCapacity) return;
  // After the first filter the next starts past the zero that ends the last pattern.
  const size_t at = count_ == 0 ? 0 : static_cast<size_t>(used_) + 1;
  std::memcpy(buffer_ + at, description, d + 1);
  std::memcpy(buffer_ + at + d + 1, pattern, p + 1);
  used_ = static_cast<int32_t>(at + d + 1 + p);
  ++count_;
}

void FileFilterList::clear() { *this = FileFilterList(); }

std::vector<std::pair<std::string, std::string>> FileFilterList::filters() const {
  std::vector<std::pair<std::string, std::string>> out;
  const char* at = buffer_;
  for (int32_t i = 0; i < count_; ++i) {
    std::string description = at;
    at += description.size() + 1;
    std::string pattern = at;
    at += pattern.size() + 1;
    out.emplace_back(std::move(description), std::move(pattern));
  }
  return out;
}

FileFilterList& openDialogFilters() {
  static FileFilterList list;
  return list;
}

}  // namespace quorix::ui
