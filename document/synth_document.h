// Synth documents: reading one from its ".QRX" file into a new slot of the Synth list, writing
// it back, closing it, and the operations on a Synth's Patches and media tables.
//
// Problems are told to the user as alerts ("Error %d : %s" with message 1016 for a file that
// cannot be read); while the engine runs (DocumentHost::engineRunning) they are held back.
#pragma once

#include <cstdint>
#include <string>

namespace quorix::document {

// Reads the Synth at `path` into a new slot at the end of the Synth list: its index, or -1.
// With no path the Open dialog asks for one (cancelling ends quietly). A non-interactive open
// (the visual library, the quorix program) opens the file read only; an interactive one opens
// it for writing when it can, so that saving and compaction can use it, and read only
// otherwise.
int32_t openSynth(const std::string& path, bool nonInteractive);

// Writes Synth `synth` back to its file, opening the file for writing first when the Synth has
// none open: 0, or the code of the first write that failed (the Synth stays modified).
int32_t saveSynth(int32_t synth);

// Closes Synth `synth`: 0, -1 when the user cancelled (or the save they asked for failed) or
// -2 when refused because the engine runs (interactive only); -10000 for no such Synth. A
// modified Synth asks "Save <name> before closing ?" first. The file is closed with commit and
// every record freed; later Synths move down by one.
int32_t closeSynth(int32_t synth, bool interactive);

// A new Synth in a new slot, not yet saved, to be written to `path`: version 7, 640 x 480,
// 16 bits, one transparency level, MIDI channel 1, the default colour table, no Patches and
// empty tables. Its index, or -1 when memory runs out.
int32_t newSynth(const std::string& path);

// Stores `size` bytes as the data of picture `picture` ("PICT" chunk) in the Synth's file,
// opening it for writing when needed: 0 or an error code.
int32_t storePictureData(int32_t synth, int picture, const void* bytes, uint32_t size);

// Makes Patch `patch` of Synth `synth` with the default key settings: 1, or 0 when the Synth or
// Patch does not exist or memory runs out (shown as "Error -3 : ..." with message 1009).
int createPatch(int32_t synth, int patch);

// The damage check: warns about records whose size is not that of their kind (message 1020 for
// the header, "Error <patch> : ..." with 1021 for a Patch, 1022 to 1024 for the picture, movie
// and 3D tables). The number of warnings.
int checkDamage(int32_t synth);

// The index of the picture whose name is exactly `name`, or -1.
int findPictureByName(int32_t synth, const std::string& name);
// The index of the movie whose file name (the last part of its stored path) is `name`, or -1.
int findMovieByName(int32_t synth, const std::string& name);

// The last component of a stored path: what follows the last '\', '/' or ':'.
std::string lastPathComponent(const std::string& path);

}  // namespace quorix::document
