// Four-character codes in C++.
#pragma once

#include <string>

#include "plugin_sdk/quorix_types.h"

namespace quorix {

// fourcc("SERV") == 0x53455256.
constexpr FourCC fourcc(const char (&text)[5]) {
  return QX_FOURCC(text[0], text[1], text[2], text[3]);
}

// The four characters of a code, first character first ("SERV").
inline std::string fourccText(FourCC code) {
  char text[5];
  qxFourCCText(code, text);
  return std::string(text, 4);
}

}  // namespace quorix
