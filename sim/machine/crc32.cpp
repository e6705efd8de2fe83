#include "sim/machine/crc32.h"

#include <array>

namespace sim {

namespace {

// A byte at a time from a table: every boot seals three tables.
constexpr std::array<uint32_t, 256> kCrcTable = [] {
  std::array<uint32_t, 256> table{};
  for (uint32_t byte = 0; byte < 256; ++byte) {
    uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0U - (crc & 1)));
    table[byte] = crc;
  }
  return table;
}();

}  // namespace

uint32_t Crc32(const void *data, size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  const auto *bytes = static_cast<const uint8_t *>(data);
  for (size_t i = 0; i < size; ++i) crc = (crc >> 8) ^ kCrcTable[(crc ^ bytes[i]) & 0xFF];
  return ~crc;
}

}  // namespace sim
