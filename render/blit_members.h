// The blit members: one function per member kind (copy, key copy, mix, fade, mask mix), pixel
// size and path, all instances of one row driver. Same-size and scaled copies differ only in
// their plan (blit_plan.h).
#pragma once

#include <cstdint>

#include "render/blit_plan.h"
#include "render/blit_rules.h"

namespace quorix::render {

struct BlitJob {
  // The pixel at the source bounds' top-left corner. The plan's accumulators, shifted right
  // by 16, count columns and rows from there (BlitJob accumulators include that offset).
  const uint8_t* source = nullptr;
  int32_t sourceRowBytes = 0;
  int64_t colAcc = 0, rowAcc = 0;
  // The first destination pixel drawn, and the WorkBuffer pixel at the same position.
  uint8_t* destination = nullptr;
  int32_t destinationRowBytes = 0;
  const uint8_t* work = nullptr;
  int32_t workRowBytes = 0;
  // The AlphaMask's top-left pixel and size (mask mixes at 16 bits).
  const uint8_t* mask = nullptr;
  int32_t maskRowBytes = 0;
  int maskWidth = 0, maskHeight = 0;
  BlitPlan plan;
  BlendParams params;
};

using BlitMember = void (*)(const BlitJob&);

// The member of an operation at depth 8, 16 or 32 (null for other depths). The SIMD path
// moves 16 bytes at a time and follows the SIMD rule of 16-bit level mixes on rows of more
// than 8 pixels; the reference path goes one pixel at a time with the table rule. Both give
// identical pixels everywhere else.
BlitMember blitMember(BlitOp op, uint32_t depth, bool simd);

}  // namespace quorix::render
