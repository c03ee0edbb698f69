// File-I/O plug-ins as picture importers, and the engine's importer registry built from the
// plug-in list.
//
// Every call to a file-I/O plug-in goes through one call block: the one at the start of the
// HostToolbox record, so that the importer finds the toolbox slots right behind the block it is
// handed. The block's argument points to a block of the selector's arguments
// (plugin_sdk/call_block.h); the answer comes back in its result word.
//
// [render thread]
#pragma once

#include <memory>

#include "media/picture_importer.h"
#include "plugin/plugin_manager.h"

namespace quorix::plugin {

// An importer for a loaded file-I/O plug-in: asks the plug-in for its format code once (the
// format-code selector); null when memory runs out. The record must outlive the importer.
std::unique_ptr<media::PictureImporter> makePluginImporter(PluginRecord& record);

// Builds the engine's importer registry (media/importer_registry.h): the QuickDraw importer
// when the media platform started, the bitmap importer, then one importer for each record of
// the manager's importer list, in list order (none without a manager). False when an importer
// could not be made: the registry is then empty.
bool buildImporterRegistry(PluginManager* manager, bool mediaPlatformStarted);

}  // namespace quorix::plugin
