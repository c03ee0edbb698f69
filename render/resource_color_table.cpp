#include "render/resource_color_table.h"

#include "common/color_table.h"
#include "ui/color_table_resource.h"

namespace quorix::render {

MemHandle makeResourceColorTable(int id) {
  const std::vector<uint8_t>* bytes =
      ui::colorTableResource(id == 8 ? ui::kDefaultColorTableId : id);
  if (bytes == nullptr) return nullptr;
  MemHandle table = colorTableFromBigEndian(bytes->data(), bytes->size());
  if (table == nullptr) return nullptr;
  auto* header = static_cast<ColorTableHeader*>(table->data);
  header->seed = kResourceTableSeed;
  header->flags = 0;
  return table;
}

}  // namespace quorix::render
