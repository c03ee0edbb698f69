// Conversion between the Windows-1252 bytes that documents store and UTF-8, for text that
// leaves the engine (terminal, JSON, window titles) or enters it from the user.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorix {

// The Unicode code point of one Windows-1252 byte (bytes the code page leaves undefined map to
// the C1 control of the same number).
uint32_t cp1252CodePoint(uint8_t byte);

std::string cp1252ToUtf8(std::string_view bytes);

// Characters without a Windows-1252 form, and malformed UTF-8, become '?'.
std::string utf8ToCp1252(std::string_view text);

}  // namespace quorix
