#include "plugin/plugin_manager.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/memory.h"
#include "config/configuration.h"
#include "document/synth_document.h"
#include "document/visual_library.h"
#include "host/base_folder.h"
#include "platform/clock.h"
#include "platform/folder_scan.h"
#include "plugin/host_environment.h"
#include "plugin_sdk/service_table.h"
#include "ui/alerts.h"
#include "display/gdi_resources.h"
#include "ui/image_resources.h"
#include "ui/string_table.h"

namespace quorix::plugin {
namespace {

constexpr size_t kIconBytes = QX_ICON_BYTES;  // 32 x 32 pixels of 8 bits

PluginManager* gEngineManager = nullptr;

// Objects of the manager live in engine memory, so that running out of it is seen (and can be
// provoked in tests) where the engine allocates.
template <typename T>
T* makeObject() {
  void* memory = engineAllocateZeroed(sizeof(T));
  return memory != nullptr ? new (memory) T() : nullptr;
}

template <typename T>
void freeObject(T* object) {
  object->~T();
  engineFree(object);
}

template <typename Record>
void insertAtHead(PluginList<Record>& list, Record* record) {
  record->previous = nullptr;
  record->next = list.head;
  if (list.head != nullptr) list.head->previous = record;
  list.head = record;
  list.count += 1;
}

// Frees the library, the icon and the record. A record in a list is unlinked first.
template <typename Record>
void unloadRecord(Record* record, PluginList<Record>* list = nullptr) {
  record->module.close();
  engineFree(record->icon);
  record->icon = nullptr;
  if (list != nullptr) {
    if (record->previous != nullptr) {
      record->previous->next = record->next;
    } else {
      list->head = static_cast<Record*>(record->next);
    }
    if (record->next != nullptr) record->next->previous = record->previous;
    list->count -= 1;
  }
  freeObject(record);
}

template <typename Record>
void unloadList(PluginList<Record>& list) {
  while (list.head != nullptr) unloadRecord(list.head, &list);
}

// Asks a service for its id and table. A service without a table cannot be found: its id
// becomes 0 and its start result -1.
void askServiceIdentity(ServiceRecord& record) {
  record.service.serviceId = static_cast<FourCC>(callPlugin(record, QX_SELECTOR_SERVICE_ID));
  record.service.serviceTable =
      reinterpret_cast<const void*>(callPlugin(record, QX_SELECTOR_SERVICE_TABLE));
  if (record.service.serviceTable == nullptr) {
    record.service.serviceId = 0;
    record.service.startResult = -1;
  }
}

}  // namespace

PluginManager* enginePluginManager() { return gEngineManager; }

void** dataSlot(const PluginRecord& record, const char* name) {
  void* address = record.module.symbol(name);
  if (address == nullptr || platform::exportedSymbolSize(address) != sizeof(void*)) {
    return nullptr;
  }
  return static_cast<void**>(address);
}

PluginManager::Pointer PluginManager::create(const PluginManagerOptions& options) {
  void* memory = engineAllocateZeroed(sizeof(PluginManager));
  if (memory == nullptr) return nullptr;
  auto* manager = new (memory) PluginManager();
  manager->internalEffectCount_ = std::max(options.internalEffectCount, 0);
  manager->timingSwitch_ = config::configuration().effectTimer;
  manager->progress_ = options.progress;
  manager->makeIcons();
  manager->loadFolder(options.folder.empty() ? host::engineBaseFolder() : options.folder);
  manager->setSlotName(QX_SERVICE_MEMORY, QX_MEMORY_SERVICE_SLOT_NAME);
  manager->publishServices();
  gEngineManager = manager;
  return Pointer(manager);
}

void PluginManager::Deleter::operator()(PluginManager* manager) const {
  if (manager == nullptr) return;
  unloadList(manager->effects_);
  unloadList(manager->importers_);
  unloadList(manager->services_);
  engineFree(manager->internalIcons_);
  if (gEngineManager == manager) gEngineManager = nullptr;
  manager->~PluginManager();
  engineFree(manager);
}

void PluginManager::makeIcons() {
  size_t count = static_cast<size_t>(internalEffectCount_);
  internalIcons_ = static_cast<uint8_t*>(engineAllocateZeroed(4 + count * kIconBytes));
  if (internalIcons_ == nullptr) {
    ui::alertMessage(ui::kStringNotEnoughMemory);
  } else {
    std::memcpy(internalIcons_, &internalEffectCount_, 4);
    for (size_t i = 0; i < count; ++i) {
      display::iconToPixels(internalIcons_ + 4 + i * kIconBytes, ui::kFirstEffectIconId + int(i));
    }
  }
  display::iconToPixels(defaultIcon_, ui::kDefaultIconId);
}

const uint8_t* PluginManager::internalIcon(int32_t effect) const {
  if (internalIcons_ == nullptr || effect < 0 || effect >= internalEffectCount_) return nullptr;
  return internalIcons_ + 4 + static_cast<size_t>(effect) * kIconBytes;
}

// The scan table holds the paths as the engine's file entries do; paths too long for an entry
// are left out.
void PluginManager::loadFolder(const std::string& folder) {
  auto* table = static_cast<document::VisualEntry*>(
      engineAllocateZeroed(kMaxPluginFiles * sizeof(document::VisualEntry)));
  if (table == nullptr) return;
  size_t found = 0;
  for (const std::string& path : platform::scanFolder(folder, kPluginPattern, kMaxPluginFiles)) {
    if (document::setFilePath(table[found].spec, path)) ++found;
  }
  for (size_t i = 0; i < found; ++i) loadFile(table[i].spec.path, table[i].spec.lengthWord);
  engineFree(table);
}

template <typename Record>
Record* PluginManager::makeRecord(const char* path, uint16_t nameLength) {
  Record* record = makeObject<Record>();
  if (record == nullptr) return nullptr;
  record->icon = static_cast<uint8_t*>(engineAllocate(kIconBytes));
  if (record->icon == nullptr) {
    unloadRecord(record);
    return nullptr;
  }
  record->nameLength = nameLength;
  std::strncpy(record->path, path, kPluginPathSize - 1);
  record->callBlock.environment = &hostEnvironment();
  record->lastStart = platform::clockMilliseconds();

  if (record->module.open(record->path)) {
    // The library's own icon when it exports one of the full size, else the default one.
    const void* icon = record->module.symbol(QX_ICON_SYMBOL_NAME);
    bool own = icon != nullptr && platform::exportedSymbolSize(icon) >= kIconBytes;
    std::memcpy(record->icon, own ? icon : defaultIcon_, kIconBytes);
    void* entry = record->module.symbol(QX_ENTRY_NAME_DECORATED);
    if (entry == nullptr) entry = record->module.symbol(QX_ENTRY_NAME);
    if (entry != nullptr) {
      record->entry = reinterpret_cast<PluginEntry>(entry);
      record->status = 0;
    }
  }
  if (record->entry != nullptr) {
    record->type = static_cast<FourCC>(callPlugin(*record, QX_SELECTOR_IDENTIFY));
  }
  return record;
}

void PluginManager::loadFile(const char* path, uint16_t nameLength) {
  if (progress_) progress_(std::string("Loading : \"") + document::lastPathComponent(path) + "\"");
  PluginRecord* record = makeRecord<PluginRecord>(path, nameLength);
  if (record == nullptr) return;
  if (record->status != 0) {
    unloadRecord(record);
    return;
  }
  if (record->type == QX_TYPE_SERVICE) {
    // A service needs the larger record: the library is loaded again into one.
    unloadRecord(record);
    ServiceRecord* service = makeRecord<ServiceRecord>(path, nameLength);
    if (service == nullptr) return;
    if (service->status != 0) {
      unloadRecord(service);
      return;
    }
    askServiceIdentity(*service);
    insertAtHead(services_, service);
  } else if (record->type == QX_TYPE_IMPORTER) {
    insertAtHead(importers_, record);
  } else {
    insertAtHead(effects_, record);
  }
}

void PluginManager::setSlotName(FourCC id, const char* name) {
  for (ServiceRecord* s = services_.head; s != nullptr; s = s->nextService()) {
    if (s->service.serviceId != id) continue;
    std::strncpy(s->service.slotName, name, kSlotNameSize - 1);
    s->service.slotName[kSlotNameSize - 1] = 0;
    return;
  }
}

// Writes each named service's table into the slot of that name of every effect that exports
// one. File importers and services are not bound.
void PluginManager::publishServices() {
  for (ServiceRecord* s = services_.head; s != nullptr; s = s->nextService()) {
    if (s->service.slotName[0] == 0) continue;
    for (PluginRecord* effect = effects_.head; effect != nullptr; effect = effect->next) {
      if (void** slot = dataSlot(*effect, s->service.slotName)) {
        *slot = const_cast<void*>(s->service.serviceTable);
      }
    }
  }
}

int32_t PluginManager::effectCount() const { return internalEffectCount_ + effects_.count; }

FourCC PluginManager::typeOfEffect(int32_t number) const {
  if (number < internalEffectCount_) return QX_TYPE_INTERNAL;
  PluginRecord* record = effects_.head;
  for (int32_t i = internalEffectCount_; record != nullptr && i < number; ++i) {
    record = record->next;
  }
  return record != nullptr ? record->type : 0;
}

PluginRecord* PluginManager::findEffect(FourCC type) const {
  for (PluginRecord* record = effects_.head; record != nullptr; record = record->next) {
    if (record->type == type) return record;
  }
  return nullptr;
}

const void* PluginManager::findService(FourCC id) const {
  // Id 0 marks services that cannot be found; asking for it finds nothing.
  if (id == 0) return nullptr;
  for (ServiceRecord* s = services_.head; s != nullptr; s = s->nextService()) {
    if (s->service.serviceId == id) return s->service.serviceTable;
  }
  return nullptr;
}

void PluginManager::startAllServices() {
  for (ServiceRecord* s = services_.head; s != nullptr; s = s->nextService()) {
    s->service.startResult = static_cast<int32_t>(callPlugin(*s, QX_SELECTOR_START_SERVICE));
    if (s->service.startResult == 0) {
      askServiceIdentity(*s);
    } else {
      s->service.serviceId = 0;
      s->service.serviceTable = nullptr;
    }
  }
}

void PluginManager::stopAllServices() {
  for (ServiceRecord* s = services_.head; s != nullptr; s = s->nextService()) {
    callPlugin(*s, QX_SELECTOR_STOP_SERVICE);
  }
}

void PluginManager::preloadBank(std::span<const FourCC> used) {
  for (PluginRecord* effect = effects_.head; effect != nullptr; effect = effect->next) {
    effect->usedByBank = std::find(used.begin(), used.end(), effect->type) != used.end() ? 1 : 0;
    callPlugin(*effect, effect->usedByBank != 0 ? QX_SELECTOR_PRELOAD : QX_SELECTOR_UNLOAD);
  }
}

void PluginManager::unloadAllEffects() {
  for (PluginRecord* effect = effects_.head; effect != nullptr; effect = effect->next) {
    callPlugin(*effect, QX_SELECTOR_UNLOAD);
  }
}

void PluginManager::openEffect(PluginRecord& effect, const uint8_t* settings, int32_t document,
                               int32_t mediaIndex, int32_t mediaKind) {
  uint8_t copy[64] = {};
  if (settings != nullptr) std::memcpy(copy, settings, sizeof copy);
  callPlugin(effect, QX_SELECTOR_OPEN, reinterpret_cast<intptr_t>(copy),
             {document, mediaIndex, mediaKind, timingSwitch_});
}

}  // namespace quorix::plugin
