// Blobs: private data blocks that effect plug-ins keep in a Synth, each under a numeric id.
//
// Plug-ins reach them through the host procedures (by the effect settings block, whose second
// big-endian word holds the id) and through the host toolbox (by id). The blob table owns the
// handles; several entries may share one handle, which is then freed once.
#pragma once

#include <cstdint>

#include "plugin_sdk/quorix_types.h"

namespace quorix::document {

// The blob named by the second word (big-endian) of a 64-byte effect settings block, or null.
MemHandle getBlob(const uint8_t* settings, int32_t synth);

// Stores `data` under the settings' id. With id 0 a new blob is added and its id written into
// the settings' second word (big-endian); an id that names no blob yet is added as it is.
void setBlob(uint8_t* settings, int32_t synth, MemHandle data);

// Appends a blob with a new id (one more than the largest in use; 1 for the first): the id,
// or 0 (memory error -108) when the table cannot grow.
uint32_t addBlob(int32_t synth, MemHandle data, FourCC tag);

// Every blob with that id gets `data`: 0.
int32_t replaceBlob(int32_t synth, uint32_t id, MemHandle data);

// The data of the first blob with that id, or null.
MemHandle findBlob(int32_t synth, uint32_t id);

}  // namespace quorix::document
