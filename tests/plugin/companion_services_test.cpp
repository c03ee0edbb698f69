#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "common/fourcc.h"
#include "plugin_sdk/service_table.h"
#include "tests/plugin/plugin_folder.h"

namespace quorix::plugin {
namespace {

using testing::PluginFolder;

// The installed memo.kpl and mathsvc.kpl, loaded by the engine's loader.
class CompanionServices : public ::testing::Test {
 protected:
  CompanionServices() {
    plugins.addStaged("memo.kpl", "memo.kpl");
    plugins.addStaged("mathsvc.kpl", "services/mathsvc.kpl");
    manager = plugins.load();
  }

  PluginFolder plugins;
  PluginManager::Pointer manager;
};

TEST_F(CompanionServices, BothArePublishedServiceTables) {
  for (FourCC id : {QX_SERVICE_MEMORY, QX_SERVICE_MATH}) {
    auto* header = static_cast<const ServiceTableHeader*>(manager->findService(id));
    ASSERT_NE(header, nullptr) << fourccText(id);
    EXPECT_EQ(header->version, QX_SERVICE_TABLE_VERSION);
    for (uint32_t word : header->reserved) EXPECT_EQ(word, 0u);
  }
  manager->startAllServices();
  for (const ServiceRecord* s = manager->services().head; s != nullptr; s = s->nextService()) {
    EXPECT_EQ(s->service.startResult, 0);
  }
  EXPECT_NE(manager->findService(QX_SERVICE_MEMORY), nullptr);
  EXPECT_NE(manager->findService(QX_SERVICE_MATH), nullptr);
  manager->stopAllServices();
}

TEST_F(CompanionServices, MemoryServiceGivesZeroFilledBlocksOfTheirOwn) {
  auto* memory = static_cast<const MemoryServiceTable*>(manager->findService(QX_SERVICE_MEMORY));
  ASSERT_NE(memory, nullptr);
  auto* block = static_cast<uint8_t*>(memory->allocate(4096));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 4096; ++i) ASSERT_EQ(block[i], 0) << i;
  block[4095] = 1;  // the whole block is the caller's
  void* empty = memory->allocate(0);
  void* another = memory->allocate(0);
  EXPECT_NE(empty, nullptr);
  EXPECT_NE(empty, another);
  memory->freeBlock(block);
  memory->freeBlock(empty);
  memory->freeBlock(another);
  memory->freeBlock(nullptr);
}

TEST_F(CompanionServices, MathServiceTakesTheArcCosineWithinItsDomain) {
  auto* math = static_cast<const MathServiceTable*>(manager->findService(QX_SERVICE_MATH));
  ASSERT_NE(math, nullptr);
  constexpr double pi = std::numbers::pi;
  struct Case {
    double x, angle;
  };
  for (Case c : {Case{1, 0}, Case{-1, pi}, Case{0, pi / 2}, Case{0.5, pi / 3},
                 Case{-0.5, 2 * pi / 3}, Case{1.0000001, 0}, Case{-7, pi}, Case{HUGE_VAL, 0},
                 Case{-HUGE_VAL, pi}, Case{std::nan(""), 0}}) {
    EXPECT_NEAR(math->arcCosine(c.x), c.angle, 1e-12) << c.x;
  }
}

}  // namespace
}  // namespace quorix::plugin
