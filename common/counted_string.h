// Counted strings: a fixed-size field holding a length byte and at most (size - 1) characters
// of the Windows-1252 code page, as documents store names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorix {

// The characters of a counted-string field of `fieldSize` bytes; a length byte larger than the
// field allows is clamped to it.
std::string readCountedString(const uint8_t* field, size_t fieldSize);

// Writes `text` into a counted-string field of `fieldSize` bytes: the length byte, the
// characters (cut to fieldSize - 1, and to 255) and zeros up to the end of the field.
void writeCountedString(uint8_t* field, size_t fieldSize, const std::string& text);

// The zero-terminated string held in a fixed field of `fieldSize` bytes (the field need not be
// terminated).
std::string readFixedString(const char* field, size_t fieldSize);

// Copies `text` into a fixed field, cut to fieldSize - 1 characters and zero-filled.
void writeFixedString(char* field, size_t fieldSize, const std::string& text);

}  // namespace quorix
