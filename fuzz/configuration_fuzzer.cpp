// Feeds arbitrary bytes to the configuration file reader.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "config/configuration.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> copy(data, data + size);
  FILE* stream = fmemopen(copy.data(), copy.size(), "r");
  if (stream == nullptr) return 0;
  quorix::config::parseConfiguration(stream);
  std::fclose(stream);
  return 0;
}
