// The PluginManager: finds the plug-in libraries of a folder tree, loads them, keeps them in
// three lists (effects, file importers, services), binds the memory service into the effects
// and answers the engine's lookups.
//
// The engine makes one at start-up on its base folder and destroys it at shutdown; tools make
// their own on any folder. It is built, used and destroyed on the engine's render thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "plugin/call_protocol.h"
#include "plugin/plugin_record.h"

namespace quorix::plugin {

inline constexpr int32_t kInternalEffectCount = 9;
inline constexpr size_t kMaxPluginFiles = 100;
inline constexpr const char* kPluginPattern = "*.kpl";  // letter case ignored

struct PluginManagerOptions {
  // The folder searched, with its subfolders; empty: the engine's base folder.
  std::string folder;
  int32_t internalEffectCount = kInternalEffectCount;
  // Receives "Loading : \"<file name>\"" before each file is loaded, when set.
  std::function<void(const std::string& line)> progress;
};

// A doubly linked list of records; the head is the record inserted last.
template <typename Record>
struct PluginList {
  Record* head = nullptr;
  int32_t count = 0;
};

class PluginManager {
 public:
  struct Deleter {
    void operator()(PluginManager* manager) const;
  };
  using Pointer = std::unique_ptr<PluginManager, Deleter>;

  // Makes the manager and loads every "*.kpl" file of the folder tree (the first 100 found:
  // each folder's own files in listing order, then its subfolders depth first). Files that do
  // not load as libraries or have no entry point are dropped without a word. Then the 'MEMO'
  // service is named for the "gMemoryService" slot and published into every effect that
  // exports it. Null when the manager itself cannot be allocated: no plug-ins then. The new
  // manager becomes the engine's (enginePluginManager) until it is destroyed. Destroying it
  // unloads the effects, then the file importers, then the services.
  static Pointer create(const PluginManagerOptions& options = {});

  // The internal effects and the loaded effect plug-ins together.
  int32_t effectCount() const;
  // 'INTL' below the internal effect count; above it the type of the effect record that many
  // places from the head (so the first number after the internal effects is the effect loaded
  // last); 0 past the end.
  FourCC typeOfEffect(int32_t number) const;
  // The first effect from the head whose type is `type`, or null.
  PluginRecord* findEffect(FourCC type) const;
  // The table of the first service from the head whose id is `id`, or null (always for id 0,
  // the id of services that cannot be found).
  const void* findService(FourCC id) const;
  // Sets the slot name of the first service with id `id` (nothing when none has it); names
  // longer than the field are cut.
  void setSlotName(FourCC id, const char* name);

  // Engine open: start every service from the head. A service that starts (result 0) is asked
  // again for its id and table; any other result takes its id and table away.
  void startAllServices();
  // Engine close: stop every service.
  void stopAllServices();
  // Bank load: preload the effects whose type is in `used` and unload the others.
  void preloadBank(std::span<const FourCC> used);
  // Engine close: unload every effect.
  void unloadAllEffects();
  // An effect's Action starts: open with a copy of the key's 64-byte settings block (preload
  // first when not yet done); skipped while the effect is open. The block's first word names
  // the effect (big-endian); the plug-in reads it only during the call.
  void openEffect(PluginRecord& effect, const uint8_t* settings, int32_t document,
                  int32_t mediaIndex, int32_t mediaKind);

  const PluginList<PluginRecord>& effects() const { return effects_; }
  const PluginList<PluginRecord>& importers() const { return importers_; }
  const PluginList<ServiceRecord>& services() const { return services_; }

  // Copied into each effect at open: time its process calls and log them at close. Starts as
  // the configuration's "EffectTimer".
  int32_t timingSwitch() const { return timingSwitch_; }
  void setTimingSwitch(int32_t on) { timingSwitch_ = on; }

  int32_t internalEffectCount() const { return internalEffectCount_; }
  // The icon of internal effect `effect`, or null when the icon block could not be allocated
  // or the number is out of range.
  const uint8_t* internalIcon(int32_t effect) const;
  const uint8_t* defaultIcon() const { return defaultIcon_; }

 private:
  PluginManager() = default;
  ~PluginManager() = default;

  void makeIcons();
  void loadFolder(const std::string& folder);
  void loadFile(const char* path, uint16_t nameLength);
  template <typename Record>
  Record* makeRecord(const char* path, uint16_t nameLength);
  void publishServices();

  uint8_t* internalIcons_ = nullptr;  // a 32-bit count, then that many icons
  int32_t internalEffectCount_ = kInternalEffectCount;
  uint8_t defaultIcon_[1024] = {};
  int32_t timingSwitch_ = 0;
  PluginList<PluginRecord> effects_;
  PluginList<PluginRecord> importers_;
  PluginList<ServiceRecord> services_;
  std::function<void(const std::string&)> progress_;
};

// The manager made last and not yet destroyed, or null: the one host procedures consult.
PluginManager* enginePluginManager();

// The exported data slot `name` of a record's library when it is one address wide, else null
// (not exported, or declared with another size).
void** dataSlot(const PluginRecord& record, const char* name);

}  // namespace quorix::plugin
