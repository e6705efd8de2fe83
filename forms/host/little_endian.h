// Fields of HII packages and firmware volumes: little-endian, at any alignment.
#pragma once

#include <cstddef>
#include <cstdint>

namespace forms {

// The value of at[0 .. width); width at most 8. The caller has checked the bytes are there.
inline uint64_t LittleEndian(const uint8_t *at, size_t width) {
  uint64_t value = 0;
  for (size_t i = width; i > 0; --i) value = value << 8 | at[i - 1];
  return value;
}

}  // namespace forms
