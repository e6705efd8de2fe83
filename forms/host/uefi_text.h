// The firmware's GUIDs and 16-bit texts as UTF-8 text, for dumps, files and logs.
// The simulator's text helpers use these too, so each conversion exists once.
#pragma once

#include <optional>
#include <string>

#include "driver/uefi/uefi_base.h"

namespace forms {

// Registry form: 8-4-4-4-12 hexadecimal digits, upper case.
std::string GuidText(const EFI_GUID &guid);
// nullopt when the text holds a lone surrogate, which UTF-8 cannot carry.
std::optional<std::string> Utf16ToUtf8(const std::u16string &text);

}  // namespace forms
