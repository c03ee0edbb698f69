#include "plugin/host_environment.h"

#include "plugin/host_procedures.h"
#include "render/copy_blit.h"

namespace quorix::plugin {
namespace {

constexpr HostEnvironment makeEnvironment() {
  HostEnvironment environment{};
  environment.version = QX_HOST_ENVIRONMENT_VERSION;
  environment.picture.bitsPerPixel = 8;
  environment.copyBlit = render::CopyBlit;
  environment.getHostProc = GetHostProc;
  return environment;
}

constinit HostEnvironment gEnvironment = makeEnvironment();

}  // namespace

HostEnvironment& hostEnvironment() { return gEnvironment; }

}  // namespace quorix::plugin
