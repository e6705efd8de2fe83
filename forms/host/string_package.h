// A UEFI HII string package read back: its language and every string by id, as
// the package's string blocks give them (UCS-2 strings, SCSU strings, duplicates,
// skips; font and other extended blocks are passed over by their length).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "forms/host/package_error.h"

namespace forms {

inline constexpr uint8_t kPackageStrings = 0x04;

struct StringPackage {
  std::string language;       // RFC 4646, e.g. "en-US"
  uint16_t languageName = 0;  // the string id of the language's own name
  std::map<uint16_t, std::u16string> strings;
};

// Reads one string package (header included). Throws PackageError for a header
// that is not a string package's or disagrees with size, a block that runs past
// the package, a block type outside the set, ids past 0xFFFF, no end block.
// SCSU text is read in its initial state (ASCII and Latin-1); a tag byte that
// switches windows gives U+FFFD.
StringPackage DecodeStringPackage(const uint8_t *bytes, size_t size);

}  // namespace forms
