// Feeds arbitrary bytes to the preferences record reader, as a whole file and laid over a valid
// record (so that the fields themselves are fuzzed, not only the size check). A record that is
// accepted must write back and read back to the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "common/byte_order.h"
#include "host/preferences.h"

namespace {

void check(const uint8_t* data, size_t size) {
  using namespace quorix::host;
  EnginePreferences prefs;
  if (!deserializePreferences(data, size, prefs)) return;
  auto bytes = serializePreferences(prefs);
  EnginePreferences again;
  if (!deserializePreferences(bytes.data(), bytes.size(), again)) std::abort();
  if (serializePreferences(again) != bytes) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  check(data, size);
  auto record = quorix::host::serializePreferences(quorix::host::EnginePreferences{});
  std::memcpy(record.data(), data, std::min(size, record.size()));
  quorix::storeLE32(record.data(), quorix::host::kPreferencesVersion);
  check(record.data(), record.size());
  return 0;
}
