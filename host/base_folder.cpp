#include "host/base_folder.h"

#include "platform/dynamic_library.h"

namespace quorix::host {

std::string engineBaseFolder() {
  return platform::folderOfLoadedFile(reinterpret_cast<const void*>(&engineBaseFolder));
}

}  // namespace quorix::host
