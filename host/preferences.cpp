#include "host/preferences.h"

#include <algorithm>
#include <cstring>

#include "common/byte_order.h"
#include "common/counted_string.h"

namespace quorix::host {
namespace {

// Field offsets of the stored record (see the table in preferences.h).
enum Offset : size_t {
  kVersion = 0,
  kLoadingScreen = 4,
  kBackgroundColor = 8,
  kDisplayStatistics = 16,
  kBeatEffectRatio = 20,
  kPlayIncrementally = 24,
  kLarge = 28,
  kSensitivity = 32,
  kDefaultBpm = 36,
  kPixelDoubling = 40,
  kVisualsFolderLength = 44,
  kVisualsFolder = 46,
  kWindowX = 308,
  kWindowY = 312,
  kMidiDriverKind = 316,
  kMidiDeviceName = 320,
  kMidiAllInputs = 352,
  kMidiDriverNotice = 356,
  kPreferredDisplayDevice = 360,
  kDisplayDeviceCount = 364,
  kDisplayDevices = 368,
};

constexpr size_t kDisplayDeviceBytes = 8 + kMaxDisplayModes * 12;

static_assert(kVisualsFolder + kVisualsFolderSize <= kWindowX);
static_assert(kMidiDeviceName + kMidiDeviceNameSize == kMidiAllInputs);
static_assert(kDisplayDevices + kMaxDisplayDevices * kDisplayDeviceBytes == kEditorSettingsOffset);

// One stored 32-bit field and its place in the record: the one table both directions use.
struct WordField {
  size_t offset;
  uint32_t EnginePreferences::*field;
};

constexpr WordField kWordFields[] = {
    {kVersion, &EnginePreferences::version},
    {kLoadingScreen, &EnginePreferences::loadingScreen},
    {kDisplayStatistics, &EnginePreferences::displayStatistics},
    {kBeatEffectRatio, &EnginePreferences::beatEffectRatio},
    {kPlayIncrementally, &EnginePreferences::playIncrementally},
    {kLarge, &EnginePreferences::large},
    {kSensitivity, &EnginePreferences::sensitivity},
    {kDefaultBpm, &EnginePreferences::defaultBpm},
    {kPixelDoubling, &EnginePreferences::pixelDoubling},
    {kPreferredDisplayDevice, &EnginePreferences::preferredDisplayDevice},
};

}  // namespace

std::string EnginePreferences::visualsFolderPath() const {
  return readFixedString(visualsFolder.data(), visualsFolder.size());
}

bool EnginePreferences::setVisualsFolder(const std::string& path) {
  if (path.size() > 255) return false;
  writeFixedString(visualsFolder.data(), visualsFolder.size(), path);
  visualsFolderLength = static_cast<uint16_t>(path.size() * 257);
  return true;
}

std::string EnginePreferences::midiDeviceName() const {
  return readFixedString(midi.deviceName.data(), midi.deviceName.size());
}

void EnginePreferences::setMidiDeviceName(const std::string& name) {
  writeFixedString(midi.deviceName.data(), midi.deviceName.size(), name);
}

std::array<uint8_t, kPreferencesSize> serializePreferences(const EnginePreferences& prefs) {
  std::array<uint8_t, kPreferencesSize> out{};
  uint8_t* p = out.data();
  for (const WordField& word : kWordFields) storeLE32(p + word.offset, prefs.*word.field);
  for (size_t i = 0; i < 3; ++i) storeLE16(p + kBackgroundColor + 2 * i, prefs.backgroundColor[i]);
  storeLE16(p + kVisualsFolderLength, prefs.visualsFolderLength);
  std::memcpy(p + kVisualsFolder, prefs.visualsFolder.data(), kVisualsFolderSize);
  storeLE32(p + kWindowX, static_cast<uint32_t>(prefs.windowX));
  storeLE32(p + kWindowY, static_cast<uint32_t>(prefs.windowY));
  storeLE32(p + kMidiDriverKind, static_cast<uint32_t>(prefs.midi.driverKind));
  std::memcpy(p + kMidiDeviceName, prefs.midi.deviceName.data(), kMidiDeviceNameSize);
  storeLE32(p + kMidiAllInputs, prefs.midi.allInputs);
  storeLE32(p + kMidiDriverNotice, prefs.midi.driverNotice);

  const DisplayModeList& list = prefs.displayModes;
  storeLE32(p + kDisplayDeviceCount, list.deviceCount);
  for (size_t d = 0; d < kMaxDisplayDevices; ++d) {
    uint8_t* device = p + kDisplayDevices + d * kDisplayDeviceBytes;
    storeLE32(device, list.devices[d].deviceKey);
    storeLE32(device + 4, list.devices[d].modeCount);
    for (size_t m = 0; m < kMaxDisplayModes; ++m) {
      const DisplayMode& mode = list.devices[d].modes[m];
      storeLE32(device + 8 + m * 12, mode.width);
      storeLE32(device + 12 + m * 12, mode.height);
      storeLE32(device + 16 + m * 12, mode.bitsPerPixel);
    }
  }
  std::memcpy(p + kEditorSettingsOffset, prefs.editorSettings.data(), kEditorSettingsSize);
  return out;
}

bool deserializePreferences(const uint8_t* bytes, size_t size, EnginePreferences& prefs) {
  if (bytes == nullptr || size != kPreferencesSize || loadLE32(bytes + kVersion) != kPreferencesVersion) {
    return false;
  }
  EnginePreferences read = prefs;
  for (const WordField& word : kWordFields) read.*word.field = loadLE32(bytes + word.offset);
  for (size_t i = 0; i < 3; ++i) read.backgroundColor[i] = loadLE16(bytes + kBackgroundColor + 2 * i);
  read.visualsFolderLength = loadLE16(bytes + kVisualsFolderLength);
  std::memcpy(read.visualsFolder.data(), bytes + kVisualsFolder, kVisualsFolderSize);
  read.visualsFolder.back() = 0;
  read.windowX = static_cast<int32_t>(loadLE32(bytes + kWindowX));
  read.windowY = static_cast<int32_t>(loadLE32(bytes + kWindowY));
  read.midi.driverKind = static_cast<int32_t>(loadLE32(bytes + kMidiDriverKind));
  std::memcpy(read.midi.deviceName.data(), bytes + kMidiDeviceName, kMidiDeviceNameSize);
  read.midi.deviceName.back() = 0;
  read.midi.allInputs = loadLE32(bytes + kMidiAllInputs);
  read.midi.driverNotice = loadLE32(bytes + kMidiDriverNotice);

  DisplayModeList& list = read.displayModes;
  list.deviceCount = std::min<uint32_t>(loadLE32(bytes + kDisplayDeviceCount), kMaxDisplayDevices);
  for (size_t d = 0; d < kMaxDisplayDevices; ++d) {
    const uint8_t* device = bytes + kDisplayDevices + d * kDisplayDeviceBytes;
    list.devices[d].deviceKey = loadLE32(device);
    list.devices[d].modeCount = std::min<uint32_t>(loadLE32(device + 4), kMaxDisplayModes);
    for (size_t m = 0; m < kMaxDisplayModes; ++m) {
      list.devices[d].modes[m] = {loadLE32(device + 8 + m * 12), loadLE32(device + 12 + m * 12),
                                  loadLE32(device + 16 + m * 12)};
    }
  }
  std::memcpy(read.editorSettings.data(), bytes + kEditorSettingsOffset, kEditorSettingsSize);

  read.beatEffectRatio = std::clamp<uint32_t>(read.beatEffectRatio, 1, 10);
  prefs = read;
  return true;
}

void applyConfiguration(EnginePreferences& prefs, const config::ConfigSettings& settings) {
  prefs.config = settings;
}

}  // namespace quorix::host
