// GUIDs in their registry form, "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9".
#pragma once

#include <optional>
#include <string>

#include "driver/uefi/uefi_base.h"

namespace sim {

std::optional<EFI_GUID> ParseGuid(const std::string &text);  // hex digits of either case
std::string FormatGuid(const EFI_GUID &guid);                // upper-case hex digits

}  // namespace sim
