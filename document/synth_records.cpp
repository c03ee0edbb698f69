#include "document/synth_records.h"

#include <algorithm>

#include "common/counted_string.h"

namespace quorix::document {
namespace {

// The kind bits (15-14) of each kind, and back.
constexpr uint16_t kKindBits[] = {0, 0x0000, 0x8000, 0x4000, 0xC000};
constexpr MediaKind kKindOfBits[] = {MediaKind::Picture, MediaKind::Object, MediaKind::Movie,
                                     MediaKind::Fourth};

}  // namespace

KeyMedia decodeKeyMedia(uint16_t ref) {
  if (ref == 0) return {MediaKind::None, -1};
  return {kKindOfBits[ref >> 14], (ref & 0x3FFF) - 1};
}

uint16_t encodeKeyMedia(MediaKind kind, int index) {
  if (kind == MediaKind::None || index < -1 || index > 0x3FFE) return 0;
  return static_cast<uint16_t>(kKindBits[static_cast<int>(kind)] | (index + 1));
}

TrackSettings defaultTrackSettings() {
  TrackSettings settings{};
  settings.trackMode = 1;
  settings.trackValues[0] = 1;
  settings.trackValue6 = 1;
  return settings;
}

std::string nameOf(const uint8_t (&field)[kNameFieldSize]) {
  std::string name = readCountedString(field, kNameFieldSize);
  if (name.size() > kNameMaxLength) name.resize(kNameMaxLength);
  return name;
}

void setName(uint8_t (&field)[kNameFieldSize], const std::string& name) {
  writeCountedString(field, kNameFieldSize, name.substr(0, std::min(name.size(), kNameMaxLength)));
}

}  // namespace quorix::document
