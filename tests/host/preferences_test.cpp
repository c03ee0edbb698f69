#include <gtest/gtest.h>

#include "common/byte_order.h"
#include "host/preferences.h"

namespace quorix::host {
namespace {

TEST(Preferences, DefaultsAreTheDocumentedOnes) {
  EnginePreferences prefs;
  EXPECT_EQ(prefs.version, 2u);
  EXPECT_EQ(prefs.loadingScreen, 1u);
  EXPECT_EQ(prefs.backgroundColor, (std::array<uint16_t, 3>{0, 0, 0}));
  EXPECT_EQ(prefs.displayStatistics, 0u);
  EXPECT_EQ(prefs.beatEffectRatio, 1u);
  EXPECT_EQ(prefs.playIncrementally, 1u);
  EXPECT_EQ(prefs.large, 0u);
  EXPECT_EQ(prefs.sensitivity, 50u);
  EXPECT_EQ(prefs.defaultBpm, 120u);
  EXPECT_EQ(prefs.pixelDoubling, 0u);
  EXPECT_EQ(prefs.visualsFolderPath(), "");
  EXPECT_EQ(prefs.windowX, 0);
  EXPECT_EQ(prefs.midi.driverKind, 1);
  EXPECT_EQ(prefs.midiDeviceName(), "");
  EXPECT_EQ(prefs.displayModes.deviceCount, 0u);
  EXPECT_EQ(prefs.changed, 0u);
  EXPECT_EQ(prefs.config.usePCKeyboard, 1);
}

TEST(Preferences, StoredRecordRoundTripsEveryField) {
  EnginePreferences prefs;
  prefs.loadingScreen = 0;
  prefs.backgroundColor = {0x1234, 0xFFFF, 0x0101};
  prefs.displayStatistics = 1;
  prefs.beatEffectRatio = 7;
  prefs.playIncrementally = 0;
  prefs.large = 1;
  prefs.sensitivity = 99;
  prefs.defaultBpm = 300;
  prefs.pixelDoubling = 1;
  ASSERT_TRUE(prefs.setVisualsFolder("/home/user/Visuals"));
  prefs.windowX = -20;
  prefs.windowY = 1999;
  prefs.midi.driverKind = 4;
  prefs.setMidiDeviceName("USB Keys");
  prefs.midi.allInputs = 1;
  prefs.midi.driverNotice = 1;
  prefs.preferredDisplayDevice = 2;
  prefs.displayModes.deviceCount = 1;
  prefs.displayModes.devices[0].deviceKey = 3;
  prefs.displayModes.devices[0].modeCount = 2;
  prefs.displayModes.devices[0].modes[0] = {640, 480, 16};
  prefs.displayModes.devices[0].modes[1] = {800, 600, 32};
  prefs.editorSettings[0] = 0xAB;
  prefs.editorSettings.back() = 0xCD;

  auto bytes = serializePreferences(prefs);
  EXPECT_EQ(loadLE32(bytes.data()), 2u);
  EXPECT_EQ(loadLE32(bytes.data() + 20), 7u);         // the ratio's place in the record
  EXPECT_EQ(loadLE16(bytes.data() + 44), 18u * 257u); // folder length in both bytes
  EXPECT_EQ(bytes[2907], 0xCD);

  EnginePreferences read;
  ASSERT_TRUE(deserializePreferences(bytes.data(), bytes.size(), read));
  EXPECT_EQ(serializePreferences(read), bytes);
  EXPECT_EQ(read.visualsFolderPath(), "/home/user/Visuals");
  EXPECT_EQ(read.midiDeviceName(), "USB Keys");
  EXPECT_EQ(read.windowX, -20);
  EXPECT_EQ(read.displayModes.devices[0].modes[1].bitsPerPixel, 32u);
}

TEST(Preferences, WrongSizeOrVersionLeavesTheRecordUntouched) {
  EnginePreferences stored;
  stored.sensitivity = 10;
  auto bytes = serializePreferences(stored);

  EnginePreferences prefs;
  EXPECT_FALSE(deserializePreferences(bytes.data(), bytes.size() - 1, prefs));  // 2907 bytes
  std::vector<uint8_t> longer(bytes.begin(), bytes.end());
  longer.push_back(0);
  EXPECT_FALSE(deserializePreferences(longer.data(), longer.size(), prefs));
  storeLE32(bytes.data(), 3);
  EXPECT_FALSE(deserializePreferences(bytes.data(), bytes.size(), prefs));
  EXPECT_FALSE(deserializePreferences(nullptr, 2908, prefs));
  EXPECT_EQ(prefs.sensitivity, 50u);
}

TEST(Preferences, AStoredRecordIsNotTrusted) {
  auto bytes = serializePreferences(EnginePreferences{});
  storeLE32(bytes.data() + 20, 0);      // ratio below 1
  std::fill(bytes.begin() + 46, bytes.begin() + 306, 'a');   // folder without a terminator
  std::fill(bytes.begin() + 320, bytes.begin() + 352, 'b');  // MIDI name without one
  storeLE32(bytes.data() + 364, 99);    // device count
  storeLE32(bytes.data() + 368 + 4, 1000);  // first device's mode count

  EnginePreferences prefs;
  ASSERT_TRUE(deserializePreferences(bytes.data(), bytes.size(), prefs));
  EXPECT_EQ(prefs.beatEffectRatio, 1u);
  EXPECT_EQ(prefs.visualsFolderPath(), std::string(259, 'a'));
  EXPECT_EQ(prefs.midiDeviceName(), std::string(31, 'b'));
  EXPECT_EQ(prefs.displayModes.deviceCount, 5u);
  EXPECT_EQ(prefs.displayModes.devices[0].modeCount, 30u);

  storeLE32(bytes.data() + 20, 11);
  ASSERT_TRUE(deserializePreferences(bytes.data(), bytes.size(), prefs));
  EXPECT_EQ(prefs.beatEffectRatio, 10u);
}

TEST(Preferences, VisualsFolderMustFitItsLengthByte) {
  EnginePreferences prefs;
  EXPECT_TRUE(prefs.setVisualsFolder(std::string(255, 'v')));
  EXPECT_EQ(prefs.visualsFolderLength, 255u * 257u);
  EXPECT_FALSE(prefs.setVisualsFolder(std::string(256, 'v')));
  EXPECT_EQ(prefs.visualsFolderPath(), std::string(255, 'v'));
}

TEST(Preferences, ConfigurationValuesAreRunTimeOnly) {
  EnginePreferences prefs;
  config::ConfigSettings settings;
  settings.useMidi = 1;
  applyConfiguration(prefs, settings);
  EXPECT_EQ(prefs.config.useMidi, 1);
  EXPECT_EQ(serializePreferences(prefs), serializePreferences(EnginePreferences{}));
}

}  // namespace
}  // namespace quorix::host
