// Byte strings in a profile (variable data, HOB data, configuration space, memory):
//   "45 6E 67"                                   hex digits, two per byte, blanks allowed between bytes
//   {"ascii": "eng", "terminated": false}        8-bit text, optionally followed by a zero byte
//   {"utf16": "en-US", "terminated": true}       UTF-16LE text, optionally followed by a zero character
//   {"size": 687, "fill": 0, "at": {"4": "02", "8": {"u32": 65536}}}
//                                                a sparse layout: pieces (any of these forms, or a
//                                                little-endian u8/u16/u32/u64) placed at offsets
#pragma once

#include <cstdint>
#include <vector>

#include "sim/profile/json_field.h"

namespace sim {

// Throws std::runtime_error naming the field's path when the form is wrong or
// the result is longer than maxSize.
std::vector<uint8_t> ReadBytes(const JsonField &field, size_t maxSize);

}  // namespace sim
