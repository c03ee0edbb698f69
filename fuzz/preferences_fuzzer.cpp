// Feeds arbitrary bytes to the preferences record reader; a record that is accepted must
// write back to the same size and read back to the same record.
#include <cstdint>
#include <cstdlib>

#include "host/preferences.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorix::host;
  EnginePreferences prefs;
  if (!deserializePreferences(data, size, prefs)) return 0;
  auto bytes = serializePreferences(prefs);
  EnginePreferences again;
  if (!deserializePreferences(bytes.data(), bytes.size(), again)) std::abort();
  if (serializePreferences(again) != bytes) std::abort();
  return 0;
}
