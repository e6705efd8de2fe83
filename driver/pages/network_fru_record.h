// "FruSetup STRING": the field-replaceable-unit texts another driver leaves for the
// setup pages. The pointers address 8-bit texts owned by that driver, valid for
// the current boot only.
#pragma once

#include "uefi/uefi_base.h"

constexpr EFI_GUID kFruSetupGuid = {0x3F8BB5BE, 0x0977, 0x11E0, {0x9D, 0x9C, 0x00, 0x1D, 0x92, 0x94, 0x19, 0x8F}};

constexpr UINTN kFruTextCount = 6;

struct FruSetupRecord {
  const CHAR8 *Texts[kFruTextCount];
  UINT8 Valid;  // non-zero: the six texts are valid
  UINT8 Reserved[7];
};
static_assert(offsetof(FruSetupRecord, Valid) == 48, "FruSetupRecord layout");
static_assert(sizeof(FruSetupRecord) == 56, "FruSetupRecord layout");
