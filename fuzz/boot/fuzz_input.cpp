#include "fuzz/boot/fuzz_input.h"

#include <algorithm>

namespace fuzz_boot {

namespace {

constexpr uint8_t kNullLength = 0xFF;

}  // namespace

uint8_t FuzzInput::U8() { return at_ < size_ ? data_[at_++] : 0; }

uint16_t FuzzInput::U16() { return static_cast<uint16_t>(U8() | U8() << 8); }

uint32_t FuzzInput::U32() { return U16() | static_cast<uint32_t>(U16()) << 16; }

uint64_t FuzzInput::U64() { return U32() | static_cast<uint64_t>(U32()) << 32; }

std::vector<uint8_t> FuzzInput::Take(size_t length) {
  length = std::min(length, size_ - std::min(at_, size_));
  std::vector<uint8_t> bytes(data_ + at_, data_ + at_ + length);
  at_ += length;
  return bytes;
}

std::vector<uint8_t> FuzzInput::Bytes() { return Take(U8()); }

std::vector<uint8_t> FuzzInput::LongBytes() { return Take(U16()); }

std::string FuzzInput::Text() {
  const std::vector<uint8_t> bytes = Bytes();
  return std::string(bytes.begin(), bytes.end());
}

std::optional<std::string> FuzzInput::TextOrNull() {
  const uint8_t length = U8();
  if (length == kNullLength) return std::nullopt;
  const std::vector<uint8_t> bytes = Take(length);
  return std::string(bytes.begin(), bytes.end());
}

sim::Install FuzzInput::Timing() {
  switch (U8() % 3) {
    case 0:
      return sim::Install::AtLoad;
    case 1:
      return sim::Install::AfterPublishing;
    default:
      return sim::Install::Never;
  }
}

size_t FuzzInput::Index(size_t count) { return U8() % (count + 1); }

}  // namespace fuzz_boot
