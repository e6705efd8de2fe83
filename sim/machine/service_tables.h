// The function tables the machine hands out. Every member is a function of the
// simulator acting on the current machine (Machine::Current()).
#pragma once

#include "driver/uefi/setup_platform_protocols.h"
#include "driver/uefi/uefi_tables.h"

namespace sim {

// Headers are left for the machine to seal.
EFI_BOOT_SERVICES MakeBootServices();
EFI_RUNTIME_SERVICES MakeRuntimeServices();
StringServiceProtocol MakeStringService();
EFI_HII_PROTOCOL MakeFrameworkHii();
BoardQueryProtocol MakeBoardQuery();
BoardRegisterProtocol MakeBoardRegister();

}  // namespace sim
