// Conversions between the profile's UTF-8 and the firmware's 16-bit text.
#pragma once

#include <optional>
#include <string>

namespace sim {

// nullopt when text is not well-formed UTF-8. Characters beyond the basic plane
// become surrogate pairs.
std::optional<std::u16string> Utf8ToUtf16(const std::string &text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::u16string &text);

}  // namespace sim
