// The pixels of a bitmap opcode: the header of its BitMap or PixMap (with the colour table of
// an indexed one) and its rows, unpacked and turned into colours one row at a time.
//
// Colours are 0x00RRGGBB words. 1-bit BitMaps draw their set bits in the foreground colour
// and the rest in the background colour; indexed PixMaps (1, 2, 4, 8 bits) go through their
// colour table; direct PixMaps are 16-bit (x-5-5-5) or 32-bit, packed by their pack type:
// 1 plain rows, 2 three bytes a pixel, 3 PackBits over 16-bit pixels, 4 PackBits over the
// component planes (alpha when four components, then red, green, blue).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/media/quickdraw/picture_reader.h"

namespace quorix::platform::quickdraw {

enum class BitsOpcode { Bits, PackBits, DirectBits };

struct PixelSource {
  bool pixMap = false;        // false: a 1-bit BitMap
  int32_t rowBytes = 0;       // flag bits removed
  Rect16 bounds{};
  int32_t pixelSize = 1;
  int32_t packType = 0;
  int32_t componentCount = 1;
  std::vector<uint32_t> colors;  // indexed PixMaps: the colour of each pixel value

  int32_t width() const { return bounds.right - bounds.left; }
  int32_t height() const { return bounds.bottom - bounds.top; }
};

// Reads the header of a bitmap opcode, up to its source rectangle: for DirectBits the base
// address word first, then the row bytes, bounds, PixMap fields and, for an indexed PixMap,
// its colour table. `fore` and `back` colour a BitMap. False for a damaged header (cut short,
// a pixel size or packing the format does not have, rows too short for their pixels).
bool readPixelSource(PictureReader& in, BitsOpcode opcode, uint32_t fore, uint32_t back,
                     PixelSource& source);

// Reads rows one after the other.
class RowDecoder {
 public:
  RowDecoder(const PixelSource& source, BitsOpcode opcode);
  // Reads the next row and writes the colour of each of its pixels (width() of them) into
  // `colors`, or only consumes it when `colors` is null. False when the data ends early.
  bool next(PictureReader& in, uint32_t* colors);

 private:
  // How a row is stored, and how its unpacked bytes hold the pixels.
  enum class Form { Plain, Packed, PackedWords };
  enum class Pixels { Indexed, Direct16, Planes, ThreeBytes, FourBytes };
  void toColors(uint32_t* colors) const;

  const PixelSource& source_;
  Form form_ = Form::Plain;
  Pixels pixels_ = Pixels::Indexed;
  size_t storedSize_ = 0;     // bytes of a plain row in the data
  bool wideCount_ = false;    // packed rows carry a 16-bit byte count
  std::vector<uint8_t> row_;  // the unpacked row
};

}  // namespace quorix::platform::quickdraw
