// The Framework compatibility support module's EFI_LEGACY_BIOS_PROTOCOL, up to
// GetBbsInfo (the members before it keep their slots untyped), and the BBS table
// entry it hands out.
#pragma once

#include "uefi_base.h"

constexpr EFI_GUID kEfiLegacyBiosProtocolGuid = {
    0xDB9A1E3D, 0x45CB, 0x4ABB, {0x85, 0x3B, 0xE5, 0x38, 0x7F, 0xDB, 0x2E, 0x2D}};

#pragma pack(push, 1)
// One BBS table entry; string and handler addresses are real-mode segment:offset pairs.
struct BBS_TABLE {
  UINT16 BootPriority;
  UINT32 Bus;
  UINT32 Device;
  UINT32 Function;
  UINT8 Class;
  UINT8 SubClass;
  UINT16 MfgStringOffset;
  UINT16 MfgStringSegment;
  UINT16 DeviceType;
  UINT16 StatusFlags;
  UINT16 BootHandlerOffset;
  UINT16 BootHandlerSegment;
  UINT16 DescStringOffset;
  UINT16 DescStringSegment;
  UINT32 InitPerReserved;
  UINT32 AdditionalIrq13Handler;
  UINT32 AdditionalIrq18Handler;
  UINT32 AdditionalIrq19Handler;
  UINT32 AdditionalIrq40Handler;
  UINT8 AssignedDriveNumber;
  UINT32 AdditionalIrq41Handler;
  UINT32 AdditionalIrq46Handler;
  UINT32 IBV1;
  UINT32 IBV2;
};
#pragma pack(pop)
static_assert(sizeof(BBS_TABLE) == 69, "BBS table entry is 69 bytes, packed");
static_assert(offsetof(BBS_TABLE, Bus) == 2, "BBS table layout");
static_assert(offsetof(BBS_TABLE, Device) == 6, "BBS table layout");
static_assert(offsetof(BBS_TABLE, Function) == 10, "BBS table layout");
static_assert(offsetof(BBS_TABLE, Class) == 14, "BBS table layout");
static_assert(offsetof(BBS_TABLE, SubClass) == 15, "BBS table layout");
static_assert(offsetof(BBS_TABLE, MfgStringOffset) == 16, "BBS table layout");
static_assert(offsetof(BBS_TABLE, DeviceType) == 20, "BBS table layout");
static_assert(offsetof(BBS_TABLE, StatusFlags) == 22, "BBS table layout");
static_assert(offsetof(BBS_TABLE, BootHandlerOffset) == 24, "BBS table layout");
static_assert(offsetof(BBS_TABLE, BootHandlerSegment) == 26, "BBS table layout");
static_assert(offsetof(BBS_TABLE, DescStringOffset) == 28, "BBS table layout");
static_assert(offsetof(BBS_TABLE, DescStringSegment) == 30, "BBS table layout");
static_assert(offsetof(BBS_TABLE, AssignedDriveNumber) == 52, "BBS table layout");
static_assert(offsetof(BBS_TABLE, AdditionalIrq41Handler) == 53, "BBS table layout");
static_assert(offsetof(BBS_TABLE, IBV2) == 65, "BBS table layout");

// Only a pointer to it passes through GetBbsInfo.
struct HDD_INFO;

typedef EFI_STATUS(EFIAPI *EFI_LEGACY_BIOS_UNUSED_MEMBER)();

struct EFI_LEGACY_BIOS_PROTOCOL {
  EFI_LEGACY_BIOS_UNUSED_MEMBER Int86;                    // 0
  EFI_LEGACY_BIOS_UNUSED_MEMBER FarCall86;                // 1
  EFI_LEGACY_BIOS_UNUSED_MEMBER CheckPciRom;              // 2
  EFI_LEGACY_BIOS_UNUSED_MEMBER InstallPciRom;            // 3
  EFI_LEGACY_BIOS_UNUSED_MEMBER LegacyBoot;               // 4
  EFI_LEGACY_BIOS_UNUSED_MEMBER UpdateKeyboardLedStatus;  // 5
  EFI_STATUS(EFIAPI *GetBbsInfo)(EFI_LEGACY_BIOS_PROTOCOL *This, UINT16 *HddCount, HDD_INFO **HddInfo,
                                 UINT16 *BbsCount, BBS_TABLE **BbsTable);  // 6
};
static_assert(offsetof(EFI_LEGACY_BIOS_PROTOCOL, GetBbsInfo) == 6 * 8, "GetBbsInfo slot");
