#include "render/copy_blit.h"

#include <algorithm>

#include "common/color_table.h"
#include "platform/cpu_features.h"
#include "render/blend_tables.h"
#include "render/blit_members.h"
#include "render/blit_plan.h"
#include "render/buffer_descriptor.h"
#include "render/convert_blit.h"
#include "render/frame_buffer.h"
#include "render/pixel_access.h"

namespace quorix::render {
namespace {

constexpr uint32_t kModeMask = 0x00FFFFFF;

// The member kind of each mode number.
constexpr BlitOp kOpOfMode[] = {BlitOp::Copy, BlitOp::Copy, BlitOp::Key,  BlitOp::Mix,
                                BlitOp::Mix,  BlitOp::Fade, BlitOp::Mask};

bool usable(const BufferDesc& buffer, uint32_t depth) {
  const Rect16& b = buffer.bounds;
  return buffer.baseAddr != nullptr && buffer.bitsPerPixel == depth &&
         buffer.rowBytes >= -0x7FFF && buffer.rowBytes <= 0x7FFF && b.left < b.right &&
         b.top < b.bottom;
}

bool sameSize(const Rect16& a, const Rect16& b) {
  return a.right - a.left == b.right - b.left && a.bottom - a.top == b.bottom - b.top;
}

struct MemberCall {
  BlitOp op = BlitOp::Copy;
  uint32_t depth = 8;
  BlendParams params;
  const BufferDesc* work = nullptr;
  const BufferDesc* mask = nullptr;
};

// Plans and draws one member; the plan of what was drawn, or false when nothing was.
bool drawByMember(const MemberCall& call, const BufferDesc& source, const BufferDesc& destination,
                  const Rect16& sourceRect, const Rect16& destinationRect, const Rect16& clip,
                  BlitPlan* drawn) {
  BlitMember member = blitMember(call.op, call.depth, platform::processorFeatures().mmx != 0);
  BlitJob job;
  if (member == nullptr || !planBlit(source.bounds, sourceRect, clip, destinationRect, &job.plan)) return false;
  const BlitPlan& plan = job.plan;
  job.source = static_cast<const uint8_t*>(source.baseAddr);
  job.sourceRowBytes = source.rowBytes;
  job.colAcc = plan.colAcc + (int64_t{plan.srcLeft - source.bounds.left} << 16);
  job.rowAcc = plan.rowAcc + (int64_t{plan.srcTop - source.bounds.top} << 16);
  job.destination = pixelAddress(destination, plan.x0, plan.y0);
  job.destinationRowBytes = destination.rowBytes;
  if (call.work != nullptr) {
    job.work = pixelAddress(*call.work, plan.x0, plan.y0);
    job.workRowBytes = call.work->rowBytes;
  }
  if (call.mask != nullptr) {
    job.mask = static_cast<const uint8_t*>(call.mask->baseAddr);
    job.maskRowBytes = call.mask->rowBytes;
    job.maskWidth = call.mask->bounds.right - call.mask->bounds.left;
    job.maskHeight = call.mask->bounds.bottom - call.mask->bounds.top;
  }
  job.params = call.params;
  member(job);
  *drawn = plan;
  return true;
}

// The blit of both entries once the records are known; modes up to `lastMode`.
void blit(const BufferDesc& source, const BufferDesc& destination, const Rect16& sourceRect,
          Rect16* destinationRect, uint32_t mode, uint32_t lastMode) {
  const FrameBuffer& frame = currentFrameBuffer();
  mode &= kModeMask;
  if (mode < 1 || mode > lastMode) return;
  if (!rectsOverlap(*destinationRect, destination.bounds)) return;
  MemberCall call;
  call.depth = frame.depth;
  if (!usable(source, call.depth) || !usable(destination, call.depth)) return;
  call.op = kOpOfMode[mode];
  call.params.level = std::clamp(frame.blendLevel, 0, 127);
  call.params.is565 = frame.is565;
  Rect16 clip = destination.bounds;
  BufferDesc work;

  if (call.op != BlitOp::Copy && call.op != BlitOp::Key) {
    // 8-bit mixes read transparency table k = level / step - 1; without any table the frame
    // behaves as if it had one level (step 128, ceiling 0), and k never passes the last table.
    int tables = transparencyTableCount(frame);
    bool noTables = call.depth == 8 && tables == 0;
    int step = noTables ? 128 : std::max(frame.levelStep, 1);
    int ceiling = noTables ? 0 : frame.levelCeiling;
    int level = call.params.level;
    int k = level / step - 1;
    if (call.op != BlitOp::Mask && level >= ceiling) {
      call.op = BlitOp::Copy;
      mode = QX_BLIT_COPY;
    } else if (k < 0) {
      return;  // below the first level
    } else {
      work = workBufferDescriptor(frame);
      if (!usable(work, call.depth)) return;
      // The WorkBuffer is read at the destination position: only inside it.
      clip = intersectRects(clip, work.bounds);
      call.work = &work;
      if (call.depth == 8) {
        call.params.table8 = frame.transparencyTables +
                             static_cast<size_t>(std::min(k, tables - 1)) * kTransparencyTableBytes;
      } else if (call.depth == 32 && call.op != BlitOp::Mix) {
        setMultiplyTableLevel(level);
        call.params.multiply = multiplyTable();
      }
      if (call.op == BlitOp::Mask && call.depth == 16) {
        if (!usable(frame.alphaMask, 8)) return;
        call.mask = &frame.alphaMask;
      }
    }
  }

  if (mode == QX_BLIT_MIX_DEST) {
    // Save the destination area first; the mix then reads it back from the WorkBuffer.
    MemberCall save;
    save.depth = call.depth;
    BlitPlan saved;
    drawByMember(save, destination, work, *destinationRect, *destinationRect, clip, &saved);
  }
  BlitPlan drawn;
  if (drawByMember(call, source, destination, sourceRect, *destinationRect, clip, &drawn) &&
      sameSize(sourceRect, *destinationRect)) {
    *destinationRect = drawn.destination();
  }
}

// The colours of one map for a converting copy.
PixelFormatSide formatSide(const BufferDesc& buffer, MemHandle map, const FrameBuffer& frame) {
  PixelFormatSide side{&buffer, frame.layoutCode, nullptr, 0};
  MemHandle table = pixelMapOf(map)->colorTable;
  if (colorTableCount(table) > 0) {
    side.entries = colorTableEntries(table);
    side.entryCount = std::min(colorTableCount(table), 256);
  } else if (frame.colorEntries != nullptr) {
    side.entries = frame.colorEntries;
    side.entryCount = 256;
  }
  return side;
}

}  // namespace

void CopyBlit(const BufferDesc* source, const BufferDesc* destination, Rect16* sourceRect,
              Rect16* destinationRect, uint32_t mode) noexcept {
  if (source == nullptr || destination == nullptr || sourceRect == nullptr ||
      destinationRect == nullptr) {
    return;
  }
  blit(*source, *destination, *sourceRect, destinationRect, mode, QX_BLIT_MASK);
}

void PortCopyBits(const MemHandle* source, const MemHandle* destination, const Rect16* sourceRect,
                  Rect16* destinationRect, uint32_t mode, const void* /*mask*/) noexcept {
  if (source == nullptr || destination == nullptr || sourceRect == nullptr ||
      destinationRect == nullptr || pixelMapOf(*source) == nullptr ||
      pixelMapOf(*destination) == nullptr) {
    return;
  }
  BufferDesc from = bufferDescFromPixelMap(*source);
  BufferDesc to = bufferDescFromPixelMap(*destination);
  if ((mode & kModeMask) != QX_BLIT_COPY) {
    blit(from, to, *sourceRect, destinationRect, mode, QX_BLIT_MIX_WORK);
    return;
  }
  // Copies between maps work at the maps' own pixel size, converting colours when the two
  // sizes differ.
  if (!rectsOverlap(*destinationRect, to.bounds)) return;
  if (from.bitsPerPixel == to.bitsPerPixel) {
    if (!usable(from, from.bitsPerPixel) || !usable(to, to.bitsPerPixel)) return;
    MemberCall copy;
    copy.depth = from.bitsPerPixel;
    BlitPlan drawn;
    if (drawByMember(copy, from, to, *sourceRect, *destinationRect, to.bounds, &drawn) &&
        sameSize(*sourceRect, *destinationRect)) {
      *destinationRect = drawn.destination();
    }
    return;
  }
  const FrameBuffer& frame = currentFrameBuffer();
  convertingCopy(formatSide(from, *source, frame), formatSide(to, *destination, frame),
                 *sourceRect, *destinationRect);
}

}  // namespace quorix::render
