#include "plugin/host_toolbox.h"

#include "plugin/host_environment.h"

namespace quorix::plugin {
namespace {

HostToolbox makeToolbox() {
  HostToolbox toolbox{};
  toolbox.importerBlock.environment = &hostEnvironment();
  return toolbox;
}

}  // namespace

HostToolbox& hostToolbox() {
  static HostToolbox toolbox = makeToolbox();
  return toolbox;
}

}  // namespace quorix::plugin
