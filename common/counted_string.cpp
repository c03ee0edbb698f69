#include "common/counted_string.h"

#include <algorithm>
#include <cstring>

namespace quorix {

std::string readCountedString(const uint8_t* field, size_t fieldSize) {
  if (field == nullptr || fieldSize == 0) return {};
  size_t length = std::min<size_t>(field[0], fieldSize - 1);
  return std::string(reinterpret_cast<const char*>(field + 1), length);
}

void writeCountedString(uint8_t* field, size_t fieldSize, const std::string& text) {
  if (field == nullptr || fieldSize == 0) return;
  size_t length = std::min({text.size(), fieldSize - 1, size_t{255}});
  std::memset(field, 0, fieldSize);
  field[0] = static_cast<uint8_t>(length);
  std::memcpy(field + 1, text.data(), length);
}

std::string readFixedString(const char* field, size_t fieldSize) {
  if (field == nullptr) return {};
  const void* end = std::memchr(field, 0, fieldSize);
  size_t length = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - field)
                                 : fieldSize;
  return std::string(field, length);
}

void writeFixedString(char* field, size_t fieldSize, const std::string& text) {
  if (field == nullptr || fieldSize == 0) return;
  size_t length = std::min(text.size(), fieldSize - 1);
  std::memset(field, 0, fieldSize);
  std::memcpy(field, text.data(), length);
}

}  // namespace quorix
