// The English text of a full-screen display result, for the diagnostic log.
#pragma once

#include <cstdint>

namespace quorix::display {

// "" for 0; the description of each of the display's known results; "Unknown error has
// occured." for every other code.
const char* directDrawErrorText(int32_t code);

// The number of results with a description of their own.
int directDrawErrorCount();

}  // namespace quorix::display
