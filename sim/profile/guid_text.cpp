#include "sim/profile/guid_text.h"

#include <cctype>
#include <cstdio>

namespace sim {
namespace {

// Reads digits hex digits from text at position; false on any other character.
bool ReadHex(const std::string &text, size_t position, size_t digits, uint64_t &out) {
  out = 0;
  for (size_t i = position; i < position + digits; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!std::isxdigit(c)) return false;
    out = out * 16 + static_cast<uint64_t>(std::isdigit(c) ? c - '0' : std::toupper(c) - 'A' + 10);
  }
  return true;
}

}  // namespace

std::optional<EFI_GUID> ParseGuid(const std::string &text) {
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') {
    return std::nullopt;
  }
  EFI_GUID guid{};
  uint64_t value = 0;
  if (!ReadHex(text, 0, 8, value)) return std::nullopt;
  guid.Data1 = static_cast<UINT32>(value);
  if (!ReadHex(text, 9, 4, value)) return std::nullopt;
  guid.Data2 = static_cast<UINT16>(value);
  if (!ReadHex(text, 14, 4, value)) return std::nullopt;
  guid.Data3 = static_cast<UINT16>(value);
  static const size_t kByteAt[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (size_t i = 0; i < 8; ++i) {
    if (!ReadHex(text, kByteAt[i], 2, value)) return std::nullopt;
    guid.Data4[i] = static_cast<UINT8>(value);
  }
  return guid;
}

std::string FormatGuid(const EFI_GUID &guid) {
  char text[37];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", guid.Data1, guid.Data2,
                guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4],
                guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

}  // namespace sim
