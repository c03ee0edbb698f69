// Conversion between the Windows-1252 bytes that documents store and UTF-8, for text that
// leaves the engine (terminal, JSON, window titles) or enters it from the user.
#pragma once

#include <string>
#include <string_view>

namespace quorix {

std::string cp1252ToUtf8(std::string_view bytes);

// Characters without a Windows-1252 form, and malformed UTF-8, become '?'.
std::string utf8ToCp1252(std::string_view text);

}  // namespace quorix
