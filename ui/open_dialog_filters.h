// The Open dialog's filter list: pairs of a description and a pattern, in the platform's
// double-zero-terminated form ("Mac Pict File (*.PCT)\0*.PCT\0...\0\0"). The picture importers
// fill it; plug-ins add to it through the host toolbox. One list per engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quorix::ui {

class FileFilterList {
 public:
  static constexpr size_t kCapacity = 512;

  // Adds a filter when used() + the two lengths + 3 stays below the capacity; a filter that
  // does not fit is dropped. The first goes to the start; each later one after the zero that
  // ends the previous pattern, so that used() always points at the zero that ends the last
  // pattern.
  void add(const char* description, const char* pattern);
  void clear();

  int32_t used() const { return used_; }
  int32_t count() const { return count_; }
  const char* data() const { return buffer_; }
  // The filters as (description, pattern) pairs.
  std::vector<std::pair<std::string, std::string>> filters() const;

 private:
  char buffer_[kCapacity] = {};
  int32_t used_ = 0;
  int32_t count_ = 0;
};

// The engine's list.
FileFilterList& openDialogFilters();

}  // namespace quorix::ui
