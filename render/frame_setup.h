// Setting up, clearing and releasing the engine's frame for windowed or full-screen output.
//
// The output is behind FrameOutput: windowed output only tells the desktop's 16-bit layout;
// full-screen output takes the display in the frame's mode and lends the frame its surface.
// Whenever that surface moves (a lock per frame), the frame's address and row bytes, its
// PixelMap and the plug-ins' frame descriptor change together, before anything is drawn.
//
// [render thread]
#pragma once

#include <cstdint>
#include <functional>

#include "plugin_sdk/host_environment.h"
#include "render/frame_buffer.h"

namespace quorix::render {

class FrameOutput {
 public:
  virtual ~FrameOutput() = default;
  virtual bool fullScreen() const = 0;
  // Sets the wanted mode; windowed output probes the desktop's layout, full-screen output
  // takes the display. 0, or the failure code.
  virtual int32_t open(uint32_t width, uint32_t height, uint32_t depth, uint32_t refreshRate,
                       bool flip) = 0;
  // The display's layout code after open.
  virtual uint32_t layoutCode() const = 0;
  // Full screen: the surface's address and row bytes once (the frame is drawn there until it
  // moves). False when the surface cannot be locked.
  virtual bool surface(BufferDesc& out) = 0;
  // Full screen, before a frame: the surface locked for this frame, or false (the frame keeps
  // its previous address).
  virtual bool lockFrame(BufferDesc& out) = 0;
  // Full screen, after a frame: unlock, show it, and copy the screen to the back buffer.
  virtual void presentFrame() = 0;
  // 8-bit full screen: display palette entries.
  virtual void setPalette(int32_t first, int32_t count, const ColorEntry* entries) = 0;
  // The frame's port is about to go: whatever the output made for it goes first.
  virtual void releasePort(OffscreenPort* port) = 0;
  virtual void close() = 0;
};

// Hooks a plug-in may install: one called before each full-screen frame and clear, one that
// replaces the full-screen flip (called twice in a row).
struct FrameHooks {
  std::function<void()> beforeFrame;
  std::function<void()> present;
};

struct FrameRequest {
  int32_t width = 640;   // the Synth's frame size
  int32_t height = 480;
  double scale = 1.0;    // 2.0 composes at half the size
  uint32_t depth = 8;    // the Synth's depth (anything but 8, 16, 32 is 8)
  int32_t levels = 1;    // transparency levels
  bool flip = false;     // full screen with a back buffer
  MemHandle colorTable = nullptr;  // the Synth's colours
  const uint8_t* transparencyTables = nullptr;
  uint32_t transparencyBytes = 0;
  bool acceleratedPreview = false;  // "UseAcceleratedPreview"
  Rect16 maximum{0, 0, 32767, 32767};  // the largest frame allowed
  RgbColor background;              // what a clear fills with
  SetPaletteProc setPalette = nullptr;      // the host entries the plug-ins get
  GetHostProcProc getHostProc = nullptr;
};

// Sets up the frame and the plug-ins' descriptors. QX_OK; the full-screen open's failure
// code; QX_ERR_SURFACE_LOCK when the surface cannot be locked (the display is closed again);
// QX_ERR_BUFFERS when memory runs out. A failed set-up keeps nothing.
int32_t setUpFrame(FrameBuffer& frame, HostEnvironment& environment, const FrameRequest& request,
                   FrameOutput& output, const FrameHooks& hooks = {});

// Fills the whole frame with a colour; in full-screen output the surface is locked first and
// the frame shown after.
void clearFrame(FrameBuffer& frame, HostEnvironment& environment, FrameOutput& output,
                const RgbColor& background, const FrameHooks& hooks = {});

// Moves the frame to a surface locked for this frame.
void followSurface(FrameBuffer& frame, HostEnvironment& environment, const BufferDesc& locked);

// Full-screen frames: the lock before (and the before-frame hook), the present after.
void beginFullScreenFrame(FrameBuffer& frame, HostEnvironment& environment, FrameOutput& output,
                          const FrameHooks& hooks);
void endFullScreenFrame(FrameOutput& output, const FrameHooks& hooks);

// Frees the main port, closes the output, then frees the other buffers; the descriptors
// become empty.
void releaseFrame(FrameBuffer& frame, HostEnvironment& environment, FrameOutput& output);

}  // namespace quorix::render
