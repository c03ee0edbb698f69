// Checks of an open Synth beyond those made when it is read: what would make the engine fail to
// play a part of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorix::document {

// One line per problem: chunks whose data runs past the end of the file, keys whose medium
// names a picture, movie or 3D object the Synth does not have, pictures without their data.
std::vector<std::string> checkSynth(int32_t synth);

}  // namespace quorix::document
