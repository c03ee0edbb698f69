// The engine's record of one loaded plug-in library, and the part a service record adds.
//
// Records are made and freed by the PluginManager and live in one of its three lists. They are
// used on the engine's render thread only.
#pragma once

#include <cstdint>

#include "platform/dynamic_library.h"
#include "plugin_sdk/call_block.h"

namespace quorix::plugin {

inline constexpr size_t kPluginPathSize = 260;
inline constexpr size_t kSlotNameSize = 64;

struct PluginRecord {
  PluginRecord* next = nullptr;      // towards the first loaded record of the list
  PluginRecord* previous = nullptr;  // towards the head
  uint32_t reserved1 = 0;
  uint32_t reserved2 = 0;
  uint16_t nameLength = 0;           // the path's length, held in both bytes
  char path[kPluginPathSize] = {};   // full path of the library, zero-terminated
  PluginEntry entry = nullptr;       // the entry point, null when the library has none
  uint8_t* icon = nullptr;           // 32 x 32 pixels indexing colour table 151, top row first
  uint32_t reserved3 = 0;
  int32_t status = -1;               // -1 after creation, 0 once an entry point was found
  PluginCallBlock callBlock{};       // the block of every call to this plug-in
  FourCC type = 0;                   // the answer to identify
  int32_t open = 0;                  // 1 while an open is in force
  int32_t timingOn = 0;              // the manager's timing switch, copied at open
  uint32_t callCount = 0;            // process calls timed since open
  uint32_t totalTime = 0;            // their milliseconds
  uint32_t lastStart = 0;            // clock at creation; then the start of the last timed
                                     // call, and after it that call's duration
  int32_t usedByBank = 0;            // working mark of the bank preload
  int32_t preloaded = 0;             // 1 between preload and unload
  platform::DynamicLibrary module;   // the loaded library
};

// What a service record holds beyond a plug-in record.
struct ServiceEntry {
  FourCC serviceId = 0;              // the service's id; 0 while it cannot be found
  const void* serviceTable = nullptr;// the service's static table
  int32_t startResult = 0;           // the answer to start; -1 when the service gave no table
  char slotName[kSlotNameSize] = {}; // data slot of the effects to fill with the table, or ""
};

struct ServiceRecord : PluginRecord {
  ServiceEntry service;
  // Records of the service list are all service records.
  ServiceRecord* nextService() const { return static_cast<ServiceRecord*>(next); }
};

}  // namespace quorix::plugin
