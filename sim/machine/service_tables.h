// The function tables the machine hands out. Every member is a function of the
// simulator acting on the current machine (Machine::Current()).
#pragma once

#include "driver/uefi/framework_hii.h"
#include "driver/uefi/uefi_tables.h"
#include "sim/machine/platform_records.h"

namespace sim {

struct StringServiceInterface {
  InterfaceSlot slots[string_service_protocol::kSlots];
};
struct BoardQueryInterface {
  InterfaceSlot slots[board_query_protocol::kSlots];
};
struct BoardRegisterInterface {
  InterfaceSlot slots[board_register_protocol::kSlots];
};

// Headers are left for the machine to seal.
EFI_BOOT_SERVICES MakeBootServices();
EFI_RUNTIME_SERVICES MakeRuntimeServices();
StringServiceInterface MakeStringService();
EFI_HII_PROTOCOL MakeFrameworkHii();
BoardQueryInterface MakeBoardQuery();
BoardRegisterInterface MakeBoardRegister();

}  // namespace sim
