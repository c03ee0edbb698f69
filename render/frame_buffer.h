// FrameBuffer: the engine's frame and the state every drawing operation reads — the depth and
// byte shift, the 16-bit layout, the blend values, the transparency tables, the WorkBuffer,
// the AlphaMask and the colour-entry copy.
//
// The engine object holds one FrameBuffer and makes it current; CopyBlit, which plug-ins call
// with nothing but descriptors, rectangles and a mode word, reads the current one. Before the
// engine sets one, a default record (8 bits, one transparency level, no buffers) is current.
//
// [render thread] All of it is read and written on the thread that renders frames.
#pragma once

#include <cstdint>

#include "render/offscreen_port.h"
#include "render/pixel_format.h"
#include "render/pixel_map.h"

namespace quorix::render {

inline constexpr int kColorEntryCopyCount = 512;  // the Synth's 256 entries, written twice
inline constexpr int kTransparencyTableBytes = 65536;

struct FrameBuffer {
  FrameBuffer() = default;
  // The WorkBuffer handle points into the record, so it stays where it was made.
  FrameBuffer(const FrameBuffer&) = delete;
  FrameBuffer& operator=(const FrameBuffer&) = delete;

  uint32_t depth = 8;      // 8, 16 or 32
  uint32_t byteShift = 0;  // log2 of the bytes per pixel
  // Blends with BlendLevel below levelStep draw nothing; at or above levelCeiling the level
  // blends become copies. These are the values of one transparency level.
  int32_t levelCeiling = 0;
  int32_t levelStep = 128;
  // The Synth's 'TRSP' data used in place (8-bit only): tables of 65536 bytes, entry
  // (source << 8) | background of a table being the index of the two colours' mix. Not owned.
  const uint8_t* transparencyTables = nullptr;
  uint32_t transparencyBytes = 0;  // bytes of that data; only whole tables are read
  // The WorkBuffer: a buffer of the frame's size, row bytes and depth, described by this map
  // (which owns the pixels), and the handle whose data is this map.
  PixelMap workBufferMap;
  MemHandleRecord workBufferRecord{};
  MemHandle workBuffer = nullptr;
  Rect16 bounds{};  // always top = left = 0
  void* baseAddr = nullptr;
  int32_t rowBytes = 0;
  // The AlphaMask: 8-bit opacities 0..127 at half the frame's width and height.
  BufferDesc alphaMask{};
  uint32_t layoutCode = QX_LAYOUT_8BIT;
  bool is565 = false;  // set exactly for layout code 2
  bool flip = false;   // full-screen output uses a back buffer
  OffscreenPort* mainPort = nullptr;  // windowed output: supplies the frame's pixels
  MemHandle framePixelMap = nullptr;  // describes the frame; does not own its pixels
  ColorEntry* colorEntries = nullptr; // kColorEntryCopyCount entries
  int32_t blendLevel = 0;             // 0..127
};

// The current frame, and making one current (null: the default record).
FrameBuffer& currentFrameBuffer();
void setCurrentFrameBuffer(FrameBuffer* frame);

// Makes a frame current for the lifetime of a scope, then restores the previous one.
class ScopedCurrentFrame {
 public:
  explicit ScopedCurrentFrame(FrameBuffer& frame) : previous_(&currentFrameBuffer()) {
    setCurrentFrameBuffer(&frame);
  }
  ~ScopedCurrentFrame() { setCurrentFrameBuffer(previous_); }
  ScopedCurrentFrame(const ScopedCurrentFrame&) = delete;
  ScopedCurrentFrame& operator=(const ScopedCurrentFrame&) = delete;

 private:
  FrameBuffer* previous_;
};

// Stores the depth (anything but 8, 16 and 32 is stored as 8) and its byte shift; at 16 and
// 32 bits also level step 1 and ceiling 126.
void setDepth(FrameBuffer& frame, uint32_t depth);
// Level step 128 / n and ceiling (n - 1) x step for n transparency levels, n taken within
// 1..128 (0 levels would divide by zero, more than 128 would give step 0).
void setLevels(FrameBuffer& frame, int32_t levels);
// Stores the layout code and sets the 5-6-5 flag exactly for code 2.
void setLayout(FrameBuffer& frame, uint32_t layoutCode);
// BlendLevel, taken within 0..127.
void setBlendLevel(FrameBuffer& frame, int32_t level);
// Uses `size` bytes of 'TRSP' data in place (null: none).
void setTransparencyTables(FrameBuffer& frame, const uint8_t* tables, uint32_t size);
// The number of whole transparency tables present.
int32_t transparencyTableCount(const FrameBuffer& frame);

// The frame's pixel format identifier (pixel_format.h).
uint32_t pixelFormatIdentifier(const FrameBuffer& frame);

// The pixel value of a colour in the frame's format; at 8 bits the nearest of `entries`
// (256 of them), else of the frame's colour-entry copy.
uint32_t colorToPixel(const FrameBuffer& frame, const RgbColor& color,
                      const ColorEntry* entries = nullptr);

// Descriptors of the frame, the WorkBuffer and the AlphaMask (empty when not made).
BufferDesc frameDescriptor(const FrameBuffer& frame);
BufferDesc workBufferDescriptor(const FrameBuffer& frame);

// The windowed frame of `bounds`' size (moved to the origin): an OffscreenPort with a copy of
// `colorTable` supplies the pixels, a PixelMap without pixels of its own describes the frame,
// and the companion buffers are made. The depth must be set first. QX_OK, or QX_ERR_BUFFERS
// with everything made so far released.
int32_t makeWindowedFrame(FrameBuffer& frame, const Rect16& bounds, MemHandle colorTable);

// The buffers every frame needs once its bounds, base and row bytes are set: the WorkBuffer,
// the AlphaMask and the colour-entry copy (the table's entries twice; zero where the table
// has fewer than 256). QX_OK or QX_ERR_BUFFERS (nothing of them kept).
int32_t makeFrameCompanions(FrameBuffer& frame, MemHandle colorTable);

// Frees, in this order, the main port, the WorkBuffer pixels, the AlphaMask, the colour-entry
// copy and the frame's PixelMap; the record keeps its depth, layout and levels.
void releaseFrameBuffers(FrameBuffer& frame);

// Moves the frame to new pixels (a display surface): base, row bytes and the frame's
// PixelMap change together.
void moveFrame(FrameBuffer& frame, void* baseAddr, int32_t rowBytes);

}  // namespace quorix::render
