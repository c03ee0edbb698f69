// Reducing a picture's buffer to the display scale: the destination is walked pixel by pixel
// with 16.16 fixed-point steps through the source, and each destination pixel takes the
// nearest source pixel or the average of a 2 x 2 or 3 x 3 block there, by the pair of depths
// and the ratio r = destination width / source width:
//
//   source -> destination   r >= 0.75   0.4 <= r < 0.75   0.25 <= r < 0.4   r < 0.25
//   8-bit -> 8-bit           nearest     nearest            nearest           nearest
//   8-bit -> 16-bit          nearest     2 x 2 average      3 x 3 average     nearest
//   16-bit -> 16-bit         nearest     2 x 2 average      3 x 3 average     nearest
//   16-bit -> 32-bit         nearest (copy 16-bit to 32-bit), whatever r
//   32-bit -> 32-bit         2 x 2 average, whatever r
//
// Averages are per channel: 8-bit pixels through their colour table (each component's high
// byte), 16-bit pixels by their layout's channels. A block reaching past the source's last row
// or column repeats it. Other pairs of depths draw nothing.
#pragma once

#include "plugin_sdk/buffer_desc.h"

namespace quorix::media {

// Reduces the whole of `source` into the whole of `destination`. The records' layout codes
// say how their 16-bit pixels are packed (5-6-5 for QX_LAYOUT_565, else 5-5-5); an 8-bit
// source's colours are its colour entries (256 of them).
void reducePicture(const BufferDesc& source, const BufferDesc& destination);

}  // namespace quorix::media
