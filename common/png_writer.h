// A small PNG encoder: 8-bit RGB rows in one IDAT chunk of stored (uncompressed) deflate
// blocks, so that it needs no compression library. For pictures the program writes out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorix {

// The bytes of a PNG image of `width` x `height` pixels from rows of RGB triples, top row
// first (`rgb` holds width x height x 3 bytes).
std::vector<uint8_t> encodePng(int width, int height, const std::vector<uint8_t>& rgb);

// Writes that image to `path`; false when the file cannot be written.
bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace quorix
