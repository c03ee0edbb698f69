#include "media/pictures.h"

#include <algorithm>

#include "common/color_table.h"
#include "config/configuration.h"
#include "config/diagnostic_log.h"
#include "display/drawing_port.h"
#include "document/chunk_file.h"
#include "document/synth_list.h"
#include "document/synth_layout.h"
#include "media/importer_registry.h"
#include "media/media_host.h"
#include "media/picture_reduction.h"
#include "platform/clock.h"
#include "platform/memory_status.h"
#include "render/buffer_descriptor.h"
#include "render/fill.h"
#include "render/frame_buffer.h"
#include "render/pixel_format.h"

namespace quorix::media {
namespace {

using document::PictureEntry;

constexpr int32_t kMaxSide = 16384;

render::OffscreenPort* bufferOf(const PictureEntry& picture) {
  return static_cast<render::OffscreenPort*>(picture.buffer);
}

void freeBuffer(PictureEntry& picture) {
  render::disposeOffscreenPort(bufferOf(picture));
  picture.buffer = nullptr;
}

Rect16 boundsAtScale(const PictureEntry& picture) { return rectAtScale(picture.bounds, picture.scale); }

int64_t estimateOf(const PictureEntry& picture) {
  Rect16 r = boundsAtScale(picture);
  int64_t width = std::max(r.right - r.left, 0), height = std::max(r.bottom - r.top, 0);
  return width * height * (render::currentFrameBuffer().depth / 8) * 4;
}

// The colour a new buffer starts with: white, as an erased drawing port is.
uint32_t whitePixel(uint32_t depth, MemHandle colors) {
  return render::colorToPixelValue(render::rgb8(255, 255, 255), depth, QX_LAYOUT_555,
                                   colorTableEntries(colors), colorTableCount(colors));
}

// A buffer of the engine's depth over `rect` with the Synth's colour table, making room in
// the cache first when the picture's estimate exceeds the memory available, and once more when
// it cannot be made. Null when it still cannot, or for an empty or oversized rectangle.
render::OffscreenPort* createBuffer(int32_t synth, int32_t index, const Rect16& rect) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  const document::SynthSlot* slot = document::synthSlot(synth);
  const PictureEntry* picture = document::pictureEntry(synth, index);
  if (slot == nullptr || picture == nullptr || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
    return nullptr;
  }
  const int64_t estimate = estimateOf(*picture);
  if (estimate > memoryAvailable()) makeRoom(estimate, synth, index);
  const uint32_t depth = render::currentFrameBuffer().depth;
  render::OffscreenPort* port = nullptr;
  render::newOffscreenPort(&port, depth, rect, slot->colors, 0);
  if (port == nullptr) {
    makeRoom(estimate, synth, index);
    render::newOffscreenPort(&port, depth, rect, slot->colors, 0);
  }
  if (port != nullptr) render::fillBuffer(render::bufferDescFromPort(port), whitePixel(depth, slot->colors));
  return port;
}

// Brings a 16-bit buffer to the engine's layout, then the buffer to the display scale.
void bringToDisplay(int32_t synth, int32_t index) {
  PictureEntry* picture = document::pictureEntry(synth, index);
  render::OffscreenPort* buffer = bufferOf(*picture);
  const render::FrameBuffer& frame = render::currentFrameBuffer();
  if (frame.depth == 16) {
    BufferDesc pixels = render::bufferDescFromPort(buffer);
    const bool is565 = (picture->pictureFlags & kPicturePixels565) != 0;
    if (frame.is565 && !is565) {
      render::convertBuffer555To565(pixels);
      picture->pictureFlags |= kPicturePixels565;
    } else if (!frame.is565 && is565) {
      render::convertBuffer565To555(pixels);
      picture->pictureFlags &= ~kPicturePixels565;
    }
  }
  const float scale = mediaHost().displayScale();
  if (picture->scale == scale || !(scale > 0.0f)) return;
  render::OffscreenPort* smaller = createBuffer(synth, index, rectAtScale(picture->bounds, scale));
  picture = document::pictureEntry(synth, index);
  if (smaller == nullptr) return;  // the buffer stays as it is
  BufferDesc from = render::bufferDescFromPort(buffer);
  BufferDesc to = render::bufferDescFromPort(smaller);
  const uint32_t layout = (picture->pictureFlags & kPicturePixels565) != 0 ? QX_LAYOUT_565 : QX_LAYOUT_555;
  from.layoutCode = to.layoutCode = layout;
  reducePicture(from, to);
  picture->scale = scale;
  render::disposeOffscreenPort(buffer);
  picture->buffer = smaller;
}

}  // namespace

Rect16 rectAtScale(const Rect16& rect, float scale) {
  if (scale == 1.0f || !(scale > 0.0f)) return rect;
  auto divide = [scale](int16_t edge) { return static_cast<int16_t>(static_cast<float>(edge) / scale); };
  return Rect16{divide(rect.top), divide(rect.left), divide(rect.bottom), divide(rect.right)};
}

int64_t memoryAvailable() {
  int64_t available = platform::availableMemory();
  if (config::configuration().useSystemHeap != 0 && available < 1) return 0;
  return available;
}

render::OffscreenPort* pictureBuffer(int32_t synth, int32_t picture) {
  const PictureEntry* entry = document::pictureEntry(synth, picture);
  return entry != nullptr ? bufferOf(*entry) : nullptr;
}

Rect16 pictureBoundsAtScale(int32_t synth, int32_t picture) {
  const PictureEntry* entry = document::pictureEntry(synth, picture);
  return entry != nullptr ? boundsAtScale(*entry) : Rect16{};
}

int64_t estimatedPictureSize(int32_t synth, int32_t picture) {
  const PictureEntry* entry = document::pictureEntry(synth, picture);
  return entry != nullptr ? estimateOf(*entry) : 0;
}

int64_t makeRoom(int64_t needed, int32_t synth, int32_t kept) {
  int64_t freed = 0;
  while (freed < needed) {
    PictureEntry* oldest = nullptr;
    for (int32_t i = 0; PictureEntry* picture = document::pictureEntry(synth, i); ++i) {
      if (i == kept || picture->buffer == nullptr || picture->runtimeWord != 0) continue;
      if (oldest == nullptr || picture->lastUse < oldest->lastUse) oldest = picture;
    }
    if (oldest == nullptr) break;
    freed += estimateOf(*oldest);
    freeBuffer(*oldest);
  }
  return freed;
}

render::OffscreenPort* decodePicture(int32_t synth, int32_t index) {
  document::SynthSlot* slot = document::synthSlot(synth);
  PictureEntry* picture = document::pictureEntry(synth, index);
  if (slot == nullptr || picture == nullptr || picture->buffer == nullptr) return nullptr;
  const int64_t estimate = estimateOf(*picture);
  if (estimate > memoryAvailable()) makeRoom(estimate, synth, index);

  const bool timed = mediaHost().statisticsOn();
  const uint32_t started = platform::clockMilliseconds();
  const int64_t memoryBefore = platform::availableMemory();
  MemHandle data = nullptr;
  if (slot->chunkFile != nullptr) {
    data = slot->chunkFile->readChunkWhole(document::kPictureDataChunk, static_cast<uint32_t>(index));
    if (data == nullptr) data = slot->chunkFile->readChunkWhole(document::kPictureDataChunk, static_cast<uint32_t>(index));
  }
  picture->data = data;
  const display::DrawingPort previous = display::currentPort();
  display::setPort(bufferOf(*picture));
  if (data != nullptr) {
    if (PictureImporter* importer = importerRegistry().find(picture->format)) {
      importer->draw(data, picture->bounds, bufferOf(*picture));
    }
  }
  picture->pictureFlags &= ~kPicturePixels565;
  bringToDisplay(synth, index);
  if (previous.window != nullptr) {
    display::setPort(previous.window);
  } else {
    display::setPort(previous.offscreen);
  }
  picture = document::pictureEntry(synth, index);
  disposeHandle(picture->data);
  picture->data = nullptr;

  if (timed) {
    config::logTiming(1, platform::clockMilliseconds() - started, picture->format);
    const int64_t memoryAfter = platform::availableMemory();
    if (memoryAfter != memoryBefore) {
      config::logPrintf("Memory leaks decompacting picture : %d\n", static_cast<int>(memoryBefore - memoryAfter));
    }
  }
  return bufferOf(*picture);
}

render::OffscreenPort* getPicture(int32_t synth, int32_t index) {
  PictureEntry* picture = document::pictureEntry(synth, index);
  if (picture == nullptr) return nullptr;
  render::OffscreenPort* buffer = bufferOf(*picture);
  if (buffer != nullptr) {
    const render::PixelMap* map = render::pixelMapOf(buffer->pixMap);
    if (map == nullptr || map->pixelSize != render::currentFrameBuffer().depth) freeBuffer(*picture);
  }
  if (picture->buffer != nullptr) {
    bringToDisplay(synth, index);
  } else {
    picture->scale = 1.0f;
    picture->buffer = createBuffer(synth, index, picture->bounds);
    picture = document::pictureEntry(synth, index);
    if (picture->buffer != nullptr) decodePicture(synth, index);
  }
  picture = document::pictureEntry(synth, index);
  if (picture->buffer != nullptr) picture->lastUse = mediaHost().frameStamp();
  return bufferOf(*picture);
}

void getPictureDescriptor(int32_t picture, int32_t synth, BufferDesc* descriptor) {
  if (descriptor == nullptr) return;
  render::OffscreenPort* buffer = getPicture(synth, picture);
  *descriptor = buffer != nullptr ? render::bufferDescFromPort(buffer) : render::emptyBufferDesc();
}

void releasePictures(int32_t synth) {
  for (int32_t i = 0; PictureEntry* picture = document::pictureEntry(synth, i); ++i) freeBuffer(*picture);
}

void pinPicture(int32_t synth, int32_t picture) {
  if (PictureEntry* entry = document::pictureEntry(synth, picture)) ++entry->runtimeWord;
}

void unpinPicture(int32_t synth, int32_t picture) {
  PictureEntry* entry = document::pictureEntry(synth, picture);
  if (entry != nullptr && entry->runtimeWord > 0) --entry->runtimeWord;
}

}  // namespace quorix::media
