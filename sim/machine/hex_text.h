// Bytes as hexadecimal text: the form the NVRAM file stores data in, and the one
// form every hex input takes (board profiles, the NVRAM file, `nvram set --data`).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

int HexDigitValue(char c);  // -1 for anything but 0-9, a-f, A-F
std::string HexOf(const std::vector<uint8_t> &bytes);  // lower case, two digits a byte
std::string HexNumber(uint64_t value);                 // "0x1F4": upper case, as messages give offsets and sizes
// Two digits a byte, blanks allowed between bytes and around them ("0100ff",
// "01 00 ff"); nullopt for a byte cut in half or any other character.
std::optional<std::vector<uint8_t>> BytesOfHex(const std::string &hex);

}  // namespace sim
