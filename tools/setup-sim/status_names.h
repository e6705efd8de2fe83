// EFI status values by their UEFI names, for reports.
#pragma once

#include <string>

#include "driver/uefi/uefi_base.h"

namespace setup_sim {

// "EFI_SUCCESS", "EFI_NOT_FOUND", ...; a value without a name as 0x hex.
std::string StatusName(EFI_STATUS status);

}  // namespace setup_sim
