#include "sim/profile/number_text.h"

#include <cctype>

namespace sim {

std::optional<uint64_t> ParseNumberText(const std::string &text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const size_t start = hex ? 2 : 0;
  if (text.size() == start) return std::nullopt;
  const uint64_t base = hex ? 16 : 10;
  uint64_t value = 0;
  for (size_t i = start; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (hex ? !std::isxdigit(c) : !std::isdigit(c)) return std::nullopt;
    const uint64_t digit = std::isdigit(c) ? c - '0' : std::toupper(c) - 'A' + 10;
    if (value > (UINT64_MAX - digit) / base) return std::nullopt;
    value = value * base + digit;
  }
  return value;
}

}  // namespace sim
