// Numbers written as text in profiles and on the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sim {

// Decimal ("59") or 0x-prefixed hexadecimal ("0x3B"), nothing else (no sign,
// no blanks); nullopt when malformed or beyond 64 bits.
std::optional<uint64_t> ParseNumberText(const std::string &text);

}  // namespace sim
