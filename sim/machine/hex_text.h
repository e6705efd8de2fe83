// Bytes as hexadecimal text, the form the NVRAM file stores data in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

int HexDigitValue(char c);  // -1 for anything but 0-9, a-f, A-F
std::string HexOf(const std::vector<uint8_t> &bytes);  // lower case, two digits a byte
// nullopt for an odd count of digits or any other character.
std::optional<std::vector<uint8_t>> BytesOfHex(const std::string &hex);

}  // namespace sim
