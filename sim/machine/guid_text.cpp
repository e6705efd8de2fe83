#include "sim/machine/guid_text.h"

#include <cstring>

#include "forms/host/uefi_text.h"
#include "sim/machine/hex_text.h"

namespace sim {

namespace {

// The 16 byte values of the text's digit pairs, in text order.
bool ParseHexDigits(const std::string &text, uint8_t out[16]) {
  static const char kShape[] = "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx";
  if (text.size() != sizeof kShape - 1) return false;
  size_t nibble = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (kShape[i] == '-') {
      if (text[i] != '-') return false;
      continue;
    }
    int digit = HexDigitValue(text[i]);
    if (digit < 0) return false;
    uint8_t &byte = out[nibble / 2];
    byte = static_cast<uint8_t>(nibble % 2 == 0 ? digit << 4 : byte | digit);
    ++nibble;
  }
  return true;
}

}  // namespace

std::string GuidToText(const EFI_GUID &guid) { return forms::GuidText(guid); }

std::optional<EFI_GUID> GuidFromText(const std::string &text) {
  uint8_t bytes[16];
  if (!ParseHexDigits(text, bytes)) return std::nullopt;
  // The text reads the first three fields most significant byte first.
  EFI_GUID guid{};
  guid.Data1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
  guid.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
  guid.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
  std::memcpy(guid.Data4, bytes + 8, 8);
  return guid;
}

bool GuidEqual(const EFI_GUID &a, const EFI_GUID &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace sim
