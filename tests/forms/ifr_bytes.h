// Hand-made IFR for the forms tests: an opcode from its code and body, a form
// package from opcodes, little-endian fields.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace ifr_bytes {

using Bytes = std::vector<uint8_t>;

inline Bytes Op(uint8_t code, const Bytes &body, bool scope = false) {
  Bytes op(body.size() + 2);
  op[0] = code;
  op[1] = static_cast<uint8_t>((body.size() + 2) | (scope ? 0x80 : 0));
  std::copy(body.begin(), body.end(), op.begin() + 2);
  return op;
}

inline Bytes Package(const std::vector<Bytes> &ops, uint8_t type = 0x02) {
  Bytes bytes(4, 0);
  for (const Bytes &op : ops) bytes.insert(bytes.end(), op.begin(), op.end());
  const uint32_t header = static_cast<uint32_t>(bytes.size()) | uint32_t{type} << 24;
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(header >> (8 * i));
  return bytes;
}

// value's width bytes, little-endian.
inline Bytes Le(uint64_t value, size_t width) {
  Bytes bytes(width);
  for (size_t i = 0; i < width; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  return bytes;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes &part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace ifr_bytes
