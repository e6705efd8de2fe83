// Little-endian fields of the records the simulated platform reads and writes,
// at any alignment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// Stores value little-endian into at[0 .. width).
inline void PutLittleEndian(uint8_t *at, uint64_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}
// The same into bytes[offset .. offset + width); throws std::out_of_range past the end.
inline void PutLittleEndian(std::vector<uint8_t> &bytes, size_t offset, uint64_t value, size_t width) {
  bytes.at(offset + width - 1);
  PutLittleEndian(bytes.data() + offset, value, width);
}

// The little-endian value of at[0 .. width).
inline uint64_t GetLittleEndian(const uint8_t *at, size_t width) {
  uint64_t value = 0;
  for (size_t i = width; i > 0; --i) value = value << 8 | at[i - 1];
  return value;
}

}  // namespace sim
