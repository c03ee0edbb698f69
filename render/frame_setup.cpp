#include "render/frame_setup.h"

#include <algorithm>

#include "plugin_sdk/status_codes.h"
#include "render/buffer_descriptor.h"
#include "render/copy_blit.h"
#include "render/fill.h"
#include "render/pixel_map.h"

namespace quorix::render {
namespace {

void describeBuffers(FrameBuffer& frame, HostEnvironment& environment, const FrameRequest& request) {
  environment.version = QX_HOST_ENVIRONMENT_VERSION;
  environment.frame = frameDescriptor(frame);
  environment.work = workBufferDescriptor(frame);
  environment.picture = emptyBufferDesc();
  environment.colorEntries = frame.colorEntries;
  environment.copyBlit = CopyBlit;
  environment.setPalette = request.setPalette;
  environment.getHostProc = request.getHostProc;
}

}  // namespace

int32_t setUpFrame(FrameBuffer& frame, HostEnvironment& environment, const FrameRequest& request,
                   FrameOutput& output, const FrameHooks& hooks) {
  setLevels(frame, request.levels);
  setDepth(frame, request.depth);
  frame.flip = request.flip;
  setTransparencyTables(frame, request.transparencyTables, request.transparencyBytes);

  double scale = request.scale > 0 ? request.scale : 1.0;
  auto width = static_cast<int32_t>(request.width / scale);
  auto height = static_cast<int32_t>(request.height / scale);
  int32_t status = output.open(static_cast<uint32_t>(std::max(width, 0)),
                               static_cast<uint32_t>(std::max(height, 0)), frame.depth, 60,
                               frame.flip);
  if (status != QX_OK) return status;

  // A windowed 16-bit frame is composed in 5-5-5 unless the preview is accelerated; every
  // other frame takes the display's layout.
  bool windowed = !output.fullScreen();
  if (windowed && !request.acceleratedPreview) {
    setLayout(frame, frame.depth == 16 ? QX_LAYOUT_555 : QX_LAYOUT_8BIT);
  } else {
    setLayout(frame, output.layoutCode());
  }

  // Clipped to the largest frame allowed and moved to the origin.
  int32_t clippedWidth = std::clamp(width, 0, std::max(0, request.maximum.right - request.maximum.left));
  int32_t clippedHeight = std::clamp(height, 0, std::max(0, request.maximum.bottom - request.maximum.top));
  Rect16 bounds{0, 0, static_cast<int16_t>(clippedHeight), static_cast<int16_t>(clippedWidth)};

  if (windowed) {
    if (makeWindowedFrame(frame, bounds, request.colorTable) != QX_OK) return QX_ERR_BUFFERS;
  } else {
    frame.bounds = bounds;
    frame.framePixelMap = newPixelMap(frame.depth, bounds, request.colorTable, false);
    BufferDesc surface = emptyBufferDesc();
    if (frame.framePixelMap == nullptr) {
      output.close();
      return QX_ERR_BUFFERS;
    }
    if (!output.surface(surface)) {
      releaseFrame(frame, environment, output);
      return QX_ERR_SURFACE_LOCK;
    }
    moveFrame(frame, surface.baseAddr, surface.rowBytes);
    if (makeFrameCompanions(frame, request.colorTable) != QX_OK) {
      releaseFrame(frame, environment, output);
      return QX_ERR_BUFFERS;
    }
    if (frame.depth == 8) output.setPalette(0, 256, frame.colorEntries);
  }
  describeBuffers(frame, environment, request);
  if (!windowed) clearFrame(frame, environment, output, request.background, hooks);
  return QX_OK;
}

void followSurface(FrameBuffer& frame, HostEnvironment& environment, const BufferDesc& locked) {
  moveFrame(frame, locked.baseAddr, locked.rowBytes);
  environment.frame = frameDescriptor(frame);
}

void beginFullScreenFrame(FrameBuffer& frame, HostEnvironment& environment, FrameOutput& output,
                          const FrameHooks& hooks) {
  BufferDesc locked = emptyBufferDesc();
  if (output.lockFrame(locked)) followSurface(frame, environment, locked);
  if (hooks.beforeFrame) hooks.beforeFrame();
}

void endFullScreenFrame(FrameOutput& output, const FrameHooks& hooks) {
  if (hooks.present) {
    hooks.present();
    hooks.present();
  } else {
    output.presentFrame();
  }
}

void clearFrame(FrameBuffer& frame, HostEnvironment& environment, FrameOutput& output,
                const RgbColor& background, const FrameHooks& hooks) {
  bool fullScreen = output.fullScreen();
  if (fullScreen) {
    beginFullScreenFrame(frame, environment, output, hooks);
  } else if (hooks.beforeFrame) {
    hooks.beforeFrame();
  }
  fillBuffer(frameDescriptor(frame), colorToPixel(frame, background));
  if (fullScreen) endFullScreenFrame(output, hooks);
}

void releaseFrame(FrameBuffer& frame, HostEnvironment& environment, FrameOutput& output) {
  if (frame.mainPort != nullptr) {
    output.releasePort(frame.mainPort);
    disposeOffscreenPort(frame.mainPort);
    frame.mainPort = nullptr;
  }
  output.close();
  releaseFrameBuffers(frame);
  environment.frame = emptyBufferDesc();
  environment.work = emptyBufferDesc();
  environment.colorEntries = nullptr;
}

}  // namespace quorix::render
