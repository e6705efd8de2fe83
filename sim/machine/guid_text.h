// GUIDs as registry-style text (8-4-4-4-12 hexadecimal digits, upper case),
// the form the NVRAM file and the event log use.
#pragma once

#include <optional>
#include <string>

#include "driver/uefi/uefi_base.h"

namespace sim {

std::string GuidToText(const EFI_GUID &guid);
// Accepts either case; nullopt for anything but exactly 36 characters of that shape.
std::optional<EFI_GUID> GuidFromText(const std::string &text);
bool GuidEqual(const EFI_GUID &a, const EFI_GUID &b);

}  // namespace sim
