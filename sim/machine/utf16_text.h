// Conversions between the firmware's 16-bit texts and UTF-8 for files and logs.
#pragma once

#include <optional>
#include <string>

namespace sim {

// nullopt when the text holds a lone surrogate, which UTF-8 cannot carry.
std::optional<std::string> Utf16ToUtf8(const std::u16string &text);
// nullopt for malformed UTF-8 or a character outside UTF-16's range.
std::optional<std::u16string> Utf8ToUtf16(const std::string &text);

}  // namespace sim
