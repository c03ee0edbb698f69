#include "display/frame_outputs.h"

#include "display/drawing_port.h"

namespace quorix::display {

int32_t WindowedOutput::open(uint32_t width, uint32_t height, uint32_t depth,
                             uint32_t refreshRate, bool) {
  display_.wantedMode() = {width, height, depth, refreshRate};
  display_.probeDesktopLayout(depth);
  return 0;
}

void WindowedOutput::releasePort(render::OffscreenPort* port) { releaseOffscreenPortDC(port); }

int32_t FullScreenOutput::open(uint32_t width, uint32_t height, uint32_t depth,
                               uint32_t refreshRate, bool flip) {
  display_.wantedMode() = {width, height, depth, refreshRate};
  display_.setFrameFormat(depth, flip);
  return display_.openFullScreen(hostWindow_);
}

void FullScreenOutput::presentFrame() {
  display_.frameUnlock(true);
  display_.copyFrontToBack();
}

void FullScreenOutput::releasePort(render::OffscreenPort* port) { releaseOffscreenPortDC(port); }

}  // namespace quorix::display
