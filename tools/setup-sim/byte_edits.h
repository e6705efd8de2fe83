// Byte edits in the form setup-variable editors use: "Setup:0x4=0x0" sets byte
// 4 of Setup, "Setup:0x1F4(2)=0x0100" the two bytes from 0x1F4 (size 1, 2, 4 or
// 8 in parentheses, the value little-endian). Numbers are decimal or 0x-hex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace setup_sim {

struct ByteEdit {
  std::string text;      // as given, for messages
  std::string variable;  // the variable's name
  size_t offset = 0;
  size_t size = 1;
  uint64_t value = 0;
};

// True when text reads NAME:<digit>...=..., a byte edit rather than a setting's
// NAME=OPTION (a setting's prompt never has a digit right after a colon).
bool IsByteEdit(const std::string &text);

// Throws UsageError naming the edit and what is wrong with it.
ByteEdit ParseByteEdit(const std::string &text);

// Writes the edit into data. Throws std::runtime_error naming the edit when
// its bytes run past the end of data (of size bytes); data is then unchanged.
void ApplyByteEdit(const ByteEdit &edit, std::vector<uint8_t> &data);

// "byte 4" for one byte, "bytes 500-501" for more.
std::string ByteRange(size_t offset, size_t size);

// width bytes of data from offset as one little-endian number; the caller has
// checked that data holds them.
uint64_t LittleEndianAt(const std::vector<uint8_t> &data, size_t offset, size_t width);

}  // namespace setup_sim
