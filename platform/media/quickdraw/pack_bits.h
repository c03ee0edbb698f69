// PackBits, the run-length coding of QuickDraw pixel rows.
//
// A flag byte n below 128 is followed by n + 1 literal units; n above 128 by one unit repeated
// 257 - n times; 128 is skipped. A unit is one byte, or one 16-bit pixel for 16-bit direct
// rows. Unpacking reads exactly the packed bytes given and writes at most the row given: runs
// that reach past the row are cut, packed bytes that end inside a run stop it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorix::platform::quickdraw {

// Unpacks `packed` into `row` with units of `unitBytes` (1 or 2) and returns the bytes written.
// Bytes of `row` beyond them are left as they were.
size_t unpackBits(const uint8_t* packed, size_t packedSize, uint8_t* row, size_t rowSize,
                  size_t unitBytes);

}  // namespace quorix::platform::quickdraw
