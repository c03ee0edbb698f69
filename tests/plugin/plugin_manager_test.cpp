#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>

#include "common/fourcc.h"
#include "common/memory.h"
#include "platform/alert_sink.h"
#include "plugin/plugin_manager.h"
#include "plugin_sdk/service_table.h"
#include "tests/plugin/plugin_folder.h"
#include "display/gdi_resources.h"
#include "ui/image_resources.h"

namespace quorix::plugin {
namespace {

constexpr size_t kIconBytes = QX_ICON_BYTES;

using testing::listed;
using testing::PluginFolder;
using Strings = std::vector<std::string>;

const ServiceRecord* serviceAt(const PluginFolder& plugins, const PluginManager& manager,
                               const std::string& relative) {
  for (const ServiceRecord* s = manager.services().head; s != nullptr; s = s->nextService()) {
    if (plugins.relative(*s) == relative) return s;
  }
  return nullptr;
}

TEST(PluginManager, KeepsEachKindInItsOwnListMostRecentFirst) {
  PluginFolder plugins;
  plugins.add("effect.so", "a.kpl");
  plugins.add("importer.so", "d.KPL");
  plugins.add("plain_effect.so", "sub/b.kpl");
  plugins.add("service.so", "sub/e.kpl");
  plugins.add("untyped.so", "sub/deeper/c.kpl");  // leaves identify unanswered: type 0
  auto manager = plugins.load();
  ASSERT_TRUE(manager);

  EXPECT_EQ(listed(plugins, manager->effects()), (Strings{"sub/deeper/c.kpl", "sub/b.kpl", "a.kpl"}));
  EXPECT_EQ(manager->effects().count, 3);
  EXPECT_EQ(listed(plugins, manager->importers()), Strings{"d.KPL"});
  EXPECT_EQ(listed(plugins, manager->services()), Strings{"sub/e.kpl"});
  EXPECT_EQ(manager->services().count, 1);

  // The back links mirror the forward ones.
  const PluginRecord* tail = manager->effects().head;
  EXPECT_EQ(tail->previous, nullptr);
  while (tail->next != nullptr) {
    EXPECT_EQ(tail->next->previous, tail);
    tail = tail->next;
  }

  EXPECT_EQ(manager->effectCount(), 12);
  for (int32_t n = -1; n < 9; ++n) EXPECT_EQ(manager->typeOfEffect(n), QX_TYPE_INTERNAL) << n;
  EXPECT_EQ(manager->typeOfEffect(9), 0u);  // the effect loaded last
  EXPECT_EQ(manager->typeOfEffect(10), fourcc("PLAN"));
  EXPECT_EQ(manager->typeOfEffect(11), fourcc("TEST"));
  EXPECT_EQ(manager->typeOfEffect(12), 0u);

  ASSERT_NE(manager->findEffect(fourcc("TEST")), nullptr);
  EXPECT_EQ(plugins.relative(*manager->findEffect(fourcc("TEST"))), "a.kpl");
  EXPECT_EQ(manager->findEffect(fourcc("FI/O")), nullptr);  // importers are not effects
  EXPECT_EQ(manager->findEffect(fourcc("NONE")), nullptr);

  const PluginRecord& effect = *manager->findEffect(fourcc("TEST"));
  EXPECT_EQ(effect.status, 0);
  EXPECT_EQ(effect.nameLength, std::strlen(effect.path) * 257);
  EXPECT_EQ(effect.open, 0);
  EXPECT_EQ(effect.preloaded, 0);
}

TEST(PluginManager, FilesThatAreNotPluginsAreDroppedAndTheScanGoesOn) {
  PluginFolder plugins;
  plugins.folder.write("text.kpl", "this is not a library");
  plugins.folder.write("empty.kpl", "");
  plugins.folder.makeFolder("folder.kpl");
  std::filesystem::create_symlink(plugins.folder / "gone.so", plugins.folder / "broken.kpl");
  plugins.add("no_entry.so", "noentry.kpl");
  std::string locked = plugins.add("effect.so", "locked.kpl");
  std::filesystem::permissions(locked, std::filesystem::perms::none);
  std::string deep = "deep/" + std::string(120, 'x') + "/" + std::string(120, 'y') + "/long.kpl";
  plugins.add("plain_effect.so", deep);  // its path is too long for the engine's file entries
  plugins.add("plain_effect.so", "sub/good.kpl");
  std::filesystem::create_symlink(plugins.folder.path(), plugins.folder / "sub/loop");

  Strings progress;
  auto manager = plugins.load(&progress);
  ASSERT_TRUE(manager);
  Strings expected = {"sub/good.kpl"};
  if (geteuid() == 0) expected.push_back("locked.kpl");  // no file is unreadable to root
  EXPECT_EQ(listed(plugins, manager->effects()), expected);
  EXPECT_EQ(manager->importers().count, 0);
  EXPECT_EQ(manager->services().count, 0);

  // Every candidate file is announced once, the loop's target is not scanned again.
  std::set<std::string> announced(progress.begin(), progress.end());
  EXPECT_EQ(progress.size(), announced.size());
  EXPECT_EQ(announced, (std::set<std::string>{"Loading : \"text.kpl\"", "Loading : \"empty.kpl\"",
                                              "Loading : \"broken.kpl\"", "Loading : \"noentry.kpl\"",
                                              "Loading : \"locked.kpl\"", "Loading : \"good.kpl\""}));
}

TEST(PluginManager, LoadsOnlyTheFirstHundredFilesInScanOrder) {
  struct Case {
    int fillers;  // non-library files in the top folder, scanned before any subfolder
    bool loaded;  // whether the plug-in in the subfolder is still loaded
  };
  for (Case c : {Case{99, true}, Case{100, false}, Case{130, false}}) {
    PluginFolder plugins;
    for (int i = 0; i < c.fillers; ++i) plugins.folder.write("f" + std::to_string(i) + ".kpl", "");
    plugins.add("effect.so", "sub/last.kpl");
    Strings progress;
    auto manager = plugins.load(&progress);
    EXPECT_EQ(manager->effects().count, c.loaded ? 1 : 0) << c.fillers;
    EXPECT_EQ(progress.size(), std::min<size_t>(c.fillers + 1, 100)) << c.fillers;
  }
}

TEST(PluginManager, AServiceLoadedLaterIsFoundFirst) {
  PluginFolder plugins;
  plugins.add("service.so", "s.kpl");
  plugins.add("service.so", "sub/s.kpl");
  auto manager = plugins.load();
  EXPECT_EQ(listed(plugins, manager->services()), (Strings{"sub/s.kpl", "s.kpl"}));
  const ServiceRecord* later = serviceAt(plugins, *manager, "sub/s.kpl");
  const ServiceRecord* earlier = serviceAt(plugins, *manager, "s.kpl");
  ASSERT_NE(later->service.serviceTable, earlier->service.serviceTable);
  EXPECT_EQ(manager->findService(fourcc("SRVA")), later->service.serviceTable);
}

TEST(PluginManager, ServicesAreLoadedAgainIntoAServiceRecordAndAskedForIdAndTable) {
  PluginFolder plugins;
  plugins.add("service.so", "s.kpl");
  plugins.add("effect.so", "sub/a.kpl");
  auto manager = plugins.load();
  EXPECT_EQ(plugins.trace(), (Strings{"s.kpl load", "s.kpl 5", "s.kpl unload", "s.kpl load",
                                      "s.kpl 5", "s.kpl 7", "s.kpl 10", "a.kpl load", "a.kpl 5"}));
}

TEST(PluginManager, AServiceIsFoundOnlyWithAnIdAndATable) {
  struct Case {
    const char* variant;
    FourCC id;             // what the record holds after loading
    bool table;
    int32_t startResult;
    FourCC askedFor;       // what the engine looks it up by
  };
  for (Case c : {Case{"service.so", fourcc("SRVA"), true, 0, fourcc("SRVA")},
                 Case{"anonymous_service.so", 0, true, 0, 0},
                 Case{"tableless_service.so", 0, false, -1, fourcc("NULT")}}) {
    PluginFolder plugins;
    plugins.add(c.variant, "s.kpl");
    auto manager = plugins.load();
    ASSERT_EQ(manager->services().count, 1) << c.variant;
    const ServiceEntry& entry = manager->services().head->service;
    EXPECT_EQ(entry.serviceId, c.id) << c.variant;
    EXPECT_EQ(entry.serviceTable != nullptr, c.table) << c.variant;
    EXPECT_EQ(entry.startResult, c.startResult) << c.variant;
    EXPECT_EQ(manager->findService(c.askedFor) != nullptr, c.id != 0) << c.variant;
  }
}

TEST(PluginManager, StartingServicesAsksAgainAndAFailedStartUnpublishes) {
  PluginFolder plugins;
  plugins.add("service.so", "a.kpl");
  plugins.add("failing_service.so", "sub/b.kpl");
  plugins.add("tableless_service.so", "sub/deeper/c.kpl");
  auto manager = plugins.load();
  ASSERT_NE(manager->findService(fourcc("FAIL")), nullptr);
  plugins.trace();

  manager->startAllServices();
  EXPECT_EQ(plugins.trace(), (Strings{"c.kpl 8", "c.kpl 7", "c.kpl 10", "b.kpl 8", "a.kpl 8",
                                      "a.kpl 7", "a.kpl 10"}));
  const ServiceEntry& failed = serviceAt(plugins, *manager, "sub/b.kpl")->service;
  EXPECT_EQ(failed.startResult, -3);
  EXPECT_EQ(failed.serviceId, 0u);
  EXPECT_EQ(failed.serviceTable, nullptr);
  EXPECT_EQ(manager->findService(fourcc("FAIL")), nullptr);
  EXPECT_EQ(serviceAt(plugins, *manager, "sub/deeper/c.kpl")->service.startResult, -1);
  EXPECT_NE(manager->findService(fourcc("SRVA")), nullptr);
  EXPECT_EQ(manager->services().count, 3);  // records stay in the list

  manager->stopAllServices();
  EXPECT_EQ(plugins.trace(), (Strings{"c.kpl 9", "b.kpl 9", "a.kpl 9"}));
}

TEST(PluginManager, TheMemoryServiceIsBoundIntoEveryEffectThatExportsTheSlot) {
  for (bool withMemo : {true, false}) {
    PluginFolder plugins;
    if (withMemo) plugins.addStaged("memo.kpl", "deep/er/memo.kpl");
    plugins.add("effect.so", "a.kpl");
    plugins.add("effect.so", "sub/b.kpl");
    plugins.add("plain_effect.so", "c.kpl");
    plugins.add("narrow_effect.so", "n.kpl");
    plugins.add("importer.so", "i.kpl");
    plugins.add("service.so", "s.kpl");
    auto manager = plugins.load();
    const void* memo = manager->findService(QX_SERVICE_MEMORY);
    EXPECT_EQ(memo != nullptr, withMemo);

    for (const PluginRecord* r = manager->effects().head; r != nullptr; r = r->next) {
      std::string name = plugins.relative(*r);
      void** slot = dataSlot(*r, QX_MEMORY_SERVICE_SLOT_NAME);
      if (name == "a.kpl" || name == "sub/b.kpl") {
        ASSERT_NE(slot, nullptr) << name;
        EXPECT_EQ(*slot, memo) << name;
      } else {
        EXPECT_EQ(slot, nullptr) << name;  // none, or one of the wrong size
      }
    }
    // A 32-bit slot is left as it is rather than overrun.
    auto* narrow = static_cast<int32_t*>(
        manager->findEffect(fourcc("NARW"))->module.symbol(QX_MEMORY_SERVICE_SLOT_NAME));
    EXPECT_EQ(*narrow, 0);
    // Importers and services are not bound.
    EXPECT_EQ(*dataSlot(*manager->importers().head, QX_MEMORY_SERVICE_SLOT_NAME), nullptr);
    EXPECT_EQ(*dataSlot(*serviceAt(plugins, *manager, "s.kpl"), QX_MEMORY_SERVICE_SLOT_NAME), nullptr);

    // The effect allocates its instance from the service it was given.
    plugins.trace();
    uint8_t settings[64] = {'T', 'E', 'S', 'T'};
    manager->openEffect(*manager->findEffect(fourcc("TEST")), settings, 0, 0, 0);
    Strings trace = plugins.trace();
    ASSERT_EQ(trace.size(), 2u);
    EXPECT_NE(trace[1].find(withMemo ? "memory=service" : "memory=heap"), std::string::npos);
    callPlugin(*manager->findEffect(fourcc("TEST")), QX_SELECTOR_CLOSE);
  }
}

TEST(PluginManager, SlotNamesGoToTheFirstServiceWithTheId) {
  PluginFolder plugins;
  plugins.addStaged("memo.kpl", "memo.kpl");
  plugins.add("service.so", "a.kpl");
  plugins.add("service.so", "sub/a.kpl");
  auto manager = plugins.load();
  EXPECT_STREQ(serviceAt(plugins, *manager, "memo.kpl")->service.slotName, "gMemoryService");

  manager->setSlotName(fourcc("SRVA"), std::string(100, 'n').c_str());
  manager->setSlotName(fourcc("NONE"), "ignored");
  EXPECT_EQ(std::string(serviceAt(plugins, *manager, "sub/a.kpl")->service.slotName),
            std::string(kSlotNameSize - 1, 'n'));
  EXPECT_STREQ(serviceAt(plugins, *manager, "a.kpl")->service.slotName, "");
}

TEST(PluginManager, IconsComeFromTheLibraryWhenItExportsAWholeOne) {
  PluginFolder plugins;
  plugins.add("effect.so", "a.kpl");          // exports an icon of pixels 7
  plugins.add("plain_effect.so", "b.kpl");    // exports none
  plugins.add("narrow_effect.so", "c.kpl");   // exports one too small
  auto manager = plugins.load();
  uint8_t fallback[kIconBytes];
  display::iconToPixels(fallback, ui::kDefaultIconId);
  EXPECT_EQ(std::memcmp(manager->defaultIcon(), fallback, kIconBytes), 0);
  EXPECT_TRUE(std::any_of(fallback, fallback + kIconBytes, [](uint8_t p) { return p != 0; }));

  const uint8_t* own = manager->findEffect(fourcc("TEST"))->icon;
  EXPECT_TRUE(std::all_of(own, own + kIconBytes, [](uint8_t p) { return p == 7; }));
  for (const char* type : {"PLAN", "NARW"}) {
    EXPECT_EQ(std::memcmp(manager->findEffect(QX_FOURCC(type[0], type[1], type[2], type[3]))->icon,
                          fallback, kIconBytes),
              0)
        << type;
  }
  for (int i = 0; i < kInternalEffectCount; ++i) {
    ASSERT_NE(manager->internalIcon(i), nullptr);
    uint8_t expected[kIconBytes];
    display::iconToPixels(expected, ui::kFirstEffectIconId + i);
    EXPECT_EQ(std::memcmp(manager->internalIcon(i), expected, kIconBytes), 0);
  }
  EXPECT_EQ(manager->internalIcon(kInternalEffectCount), nullptr);
  EXPECT_EQ(manager->internalIcon(-1), nullptr);
}

TEST(PluginManager, DestroyingUnloadsEffectsThenImportersThenServices) {
  PluginFolder plugins;
  plugins.add("service.so", "s.kpl");
  plugins.add("importer.so", "i.kpl");
  plugins.add("effect.so", "a.kpl");
  plugins.add("plain_effect.so", "sub/b.kpl");
  auto manager = plugins.load();
  EXPECT_EQ(enginePluginManager(), manager.get());
  plugins.trace();
  manager.reset();
  EXPECT_EQ(plugins.trace(), (Strings{"b.kpl unload", "a.kpl unload", "i.kpl unload", "s.kpl unload"}));
  EXPECT_EQ(enginePluginManager(), nullptr);
}

TEST(PluginManager, RunningOutOfMemory) {
  struct Case {
    const char* variant;
    long successes;   // engine allocations that succeed before every later one fails
    bool manager;     // a manager is made
    bool icons;       // the internal icons could be made
    bool loaded;      // the plug-in is in its list
  };
  // The engine allocates the manager, the icon block, the scan table, then per file the record
  // and its icon (for a service twice: the plug-in record, then the service record).
  for (Case c : {Case{"effect.so", 0, false, false, false}, Case{"effect.so", 1, true, false, false},
                 Case{"effect.so", 2, true, true, false}, Case{"effect.so", 3, true, true, false},
                 Case{"effect.so", 4, true, true, false}, Case{"effect.so", 5, true, true, true},
                 Case{"service.so", 5, true, true, false}, Case{"service.so", 6, true, true, false},
                 Case{"service.so", 7, true, true, true}}) {
    PluginFolder plugins;
    plugins.add(c.variant, "p.kpl");
    platform::RecordingAlertSink alerts;
    platform::ScopedAlertSink scopedAlerts(alerts);
    PluginManager::Pointer manager;
    {
      ScopedAllocationFailure failure(c.successes);
      manager = plugins.load();
    }
    std::string label = std::string(c.variant) + " after " + std::to_string(c.successes);
    ASSERT_EQ(manager != nullptr, c.manager) << label;
    if (!manager) {
      EXPECT_EQ(enginePluginManager(), nullptr) << label;
      continue;
    }
    EXPECT_EQ(manager->internalIcon(0) != nullptr, c.icons) << label;
    ASSERT_EQ(alerts.entries.size(), c.icons ? 0u : 1u) << label;
    if (!c.icons) {
      EXPECT_EQ(alerts.entries[0].text,
                "Not enough memory available. Quit Kyrel, assign more memory from the Finder and "
                "try again.");
    }
    uint8_t fallback[kIconBytes];
    display::iconToPixels(fallback, ui::kDefaultIconId);
    EXPECT_EQ(std::memcmp(manager->defaultIcon(), fallback, kIconBytes), 0) << label;
    EXPECT_EQ(manager->effects().count + manager->services().count, c.loaded ? 1 : 0) << label;
  }
}

}  // namespace
}  // namespace quorix::plugin
