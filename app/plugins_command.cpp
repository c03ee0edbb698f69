// quorix plugins: loads the plug-ins of a folder with the engine's loader and lists them.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/command.h"
#include "common/fourcc.h"
#include "common/json.h"
#include "document/visual_fields.h"
#include "plugin/plugin_manager.h"
#include "plugin_sdk/service_table.h"

namespace quorix::app {
namespace {

const char kHelp[] =
    "Usage: quorix plugins [--dir DIR] [--json]\n"
    "\n"
    "Loads every plug-in (\"*.kpl\", letter case ignored) of the engine's base folder and its\n"
    "subfolders, or of DIR, with the engine's own loader, starts the services as opening a\n"
    "visual does (and stops them again), and lists what was loaded: for each effect, file\n"
    "importer and service its file and type, for services their id, whether the engine finds\n"
    "them by that id (\"published\") and their start result, and for effects whether the\n"
    "memory service was bound into their \"gMemoryService\" slot. Lists run from the plug-in\n"
    "loaded last to the one loaded first. Files that are not plug-ins are left out.\n"
    "\n"
    "  --dir DIR  load the plug-ins of DIR instead of the base folder\n"
    "  --json     print one JSON object {\"effects\", \"importers\", \"services\"}; each entry\n"
    "             is {\"file\", \"type\", \"serviceId\", \"published\", \"memoryBound\"}, null\n"
    "             where a field does not apply\n"
    "\n"
    "Exit status: 0 done, 1 the folder cannot be read, 2 a bad command line.\n";

using plugin::PluginRecord;
using plugin::ServiceRecord;

// What the listing says about one record.
struct Entry {
  std::string file;
  FourCC type = 0;
  bool service = false;
  FourCC serviceId = 0;
  bool published = false;
  int32_t startResult = 0;
  bool effect = false;
  bool memoryBound = false;
};

// The record's path relative to the folder that was searched.
std::string relativePath(const char* path, const std::string& folder) {
  std::string text = path;
  return text.rfind(folder, 0) == 0 ? text.substr(folder.size()) : text;
}

Entry describe(const PluginRecord& record, const std::string& folder) {
  Entry entry;
  entry.file = relativePath(record.path, folder);
  entry.type = record.type;
  return entry;
}

Entry describeEffect(const PluginRecord& record, const std::string& folder) {
  Entry entry = describe(record, folder);
  entry.effect = true;
  void** slot = plugin::dataSlot(record, QX_MEMORY_SERVICE_SLOT_NAME);
  entry.memoryBound = slot != nullptr && *slot != nullptr;
  return entry;
}

Entry describeService(const plugin::PluginManager& manager, const ServiceRecord& record,
                      const std::string& folder) {
  Entry entry = describe(record, folder);
  entry.service = true;
  entry.serviceId = record.service.serviceId;
  entry.startResult = record.service.startResult;
  entry.published = record.service.serviceId != 0 && record.service.serviceTable != nullptr &&
                    manager.findService(record.service.serviceId) == record.service.serviceTable;
  return entry;
}

Json toJson(const Entry& e) {
  Json object = Json::object();
  object.set("file", e.file);
  object.set("type", document::fourccValue(e.type));
  object.set("serviceId", e.service ? document::fourccValue(e.serviceId) : Json());
  object.set("published", e.service ? Json(e.published) : Json());
  object.set("memoryBound", e.effect ? Json(e.memoryBound) : Json());
  return object;
}

// 'TAsh' for printable codes, else the number in hexadecimal.
std::string codeText(FourCC code) {
  Json value = document::fourccValue(code);
  if (value.isString()) return "'" + value.asString() + "'";
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", code);
  return text;
}

// One line a record, the files padded to `width`.
void printSection(const char* title, const std::vector<Entry>& entries, size_t width) {
  std::printf("%s (%zu)%s\n", title, entries.size(), entries.size() > 1 ? ", loaded last first" : "");
  for (const Entry& e : entries) {
    std::string line = "  " + e.file + std::string(width - e.file.size(), ' ') + "  type " +
                       codeText(e.type);
    if (e.service) {
      line += "  id " + codeText(e.serviceId) + (e.published ? "  published" : "  not published") +
              "  start result " + std::to_string(e.startResult);
    }
    if (e.effect) line += e.memoryBound ? "  memory service bound" : "  no memory service";
    std::printf("%s\n", line.c_str());
  }
}

int runPlugins(const GlobalOptions& options, const std::vector<std::string>& args) {
  std::string folder;
  bool json = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--dir") {
      if (i + 1 >= args.size()) return fail(kExitUsage, "--dir needs a folder");
      folder = args[++i];
    } else {
      return fail(kExitUsage, "unknown argument '" + args[i] + "' (see 'quorix plugins --help')");
    }
  }
  if (folder.empty()) folder = baseFolderOf(options);
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    return fail(kExitFailure, "'" + folder + "' is not a folder that can be read");
  }
  if (folder.back() != '/') folder += '/';

  plugin::PluginManagerOptions load;
  load.folder = folder;
  plugin::PluginManager::Pointer manager = plugin::PluginManager::create(load);
  if (!manager) return fail(kExitFailure, "not enough memory to load the plug-ins");
  manager->startAllServices();

  std::vector<Entry> effects, importers, services;
  for (const PluginRecord* r = manager->effects().head; r != nullptr; r = r->next) {
    effects.push_back(describeEffect(*r, folder));
  }
  for (const PluginRecord* r = manager->importers().head; r != nullptr; r = r->next) {
    importers.push_back(describe(*r, folder));
  }
  for (const ServiceRecord* r = manager->services().head; r != nullptr; r = r->nextService()) {
    services.push_back(describeService(*manager, *r, folder));
  }
  manager->stopAllServices();

  if (json) {
    Json out = Json::object();
    for (auto [key, list] : {std::pair{"effects", &effects}, std::pair{"importers", &importers},
                             std::pair{"services", &services}}) {
      Json items = Json::array();
      for (const Entry& e : *list) items.push(toJson(e));
      out.set(key, std::move(items));
    }
    std::printf("%s\n", out.dump(2).c_str());
    return kExitOk;
  }

  size_t width = 0;
  for (const auto* list : {&effects, &importers, &services}) {
    for (const Entry& e : *list) width = std::max(width, e.file.size());
  }
  std::printf("Plug-ins of %s\n", folder.c_str());
  printSection("effects", effects, width);
  printSection("file importers", importers, width);
  printSection("services", services, width);
  std::string bound;
  for (const Entry& e : effects) {
    if (e.memoryBound) bound += (bound.empty() ? "" : ", ") + e.file;
  }
  std::printf("\"%s\" bound into: %s\n", QX_MEMORY_SERVICE_SLOT_NAME,
              bound.empty() ? "no effect" : bound.c_str());
  return kExitOk;
}

}  // namespace

extern const Command kPluginsCommand = {
    "plugins", "load the plug-ins of the base folder and list them", kHelp, runPlugins};

}  // namespace quorix::app
