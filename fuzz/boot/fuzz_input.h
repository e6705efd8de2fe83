// Reads a fuzz input front to back as a list of edits to the reference board.
// Past the input's end every number reads 0 and every byte run is empty, so any
// input decodes and the empty input leaves the board as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/install_timing.h"

namespace fuzz_boot {

class FuzzInput {
 public:
  FuzzInput(const uint8_t *data, size_t size) : data_(data), size_(size) {}

  bool Done() const { return at_ >= size_; }
  uint8_t U8();
  uint16_t U16();  // little-endian, as every wider number
  uint32_t U32();
  uint64_t U64();
  // A run of bytes: a length byte, then up to that many bytes.
  std::vector<uint8_t> Bytes();
  // A 16-bit length, then up to that many bytes.
  std::vector<uint8_t> LongBytes();
  std::string Text();
  // A text, or nullopt when the length byte is 0xFF.
  std::optional<std::string> TextOrNull();
  sim::Install Timing();  // at load, after publishing or never
  // An index into a list of count entries, or count itself: one past the end, an entry to add.
  size_t Index(size_t count);

 private:
  std::vector<uint8_t> Take(size_t length);

  const uint8_t *data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace fuzz_boot
