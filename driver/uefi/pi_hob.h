// PI hand-off block (HOB) headers.
#pragma once

#include "uefi_base.h"

struct EFI_HOB_GENERIC_HEADER {
  UINT16 HobType;
  UINT16 HobLength;  // bytes, header included
  UINT32 Reserved;
};
static_assert(sizeof(EFI_HOB_GENERIC_HEADER) == 8, "HOB header layout");
static_assert(offsetof(EFI_HOB_GENERIC_HEADER, HobLength) == 2, "HOB header layout");

// A GUID extension HOB: the header, the GUID naming its content, then the data.
struct EFI_HOB_GUID_TYPE {
  EFI_HOB_GENERIC_HEADER Header;
  EFI_GUID Name;
};
static_assert(sizeof(EFI_HOB_GUID_TYPE) == 24, "GUID HOB layout");

constexpr UINT16 EFI_HOB_TYPE_HANDOFF = 0x0001;
constexpr UINT16 EFI_HOB_TYPE_MEMORY_ALLOCATION = 0x0002;
constexpr UINT16 EFI_HOB_TYPE_RESOURCE_DESCRIPTOR = 0x0003;
constexpr UINT16 EFI_HOB_TYPE_GUID_EXTENSION = 0x0004;
constexpr UINT16 EFI_HOB_TYPE_FV = 0x0005;
constexpr UINT16 EFI_HOB_TYPE_CPU = 0x0006;
constexpr UINT16 EFI_HOB_TYPE_MEMORY_POOL = 0x0007;
constexpr UINT16 EFI_HOB_TYPE_UNUSED = 0xFFFE;
constexpr UINT16 EFI_HOB_TYPE_END_OF_HOB_LIST = 0xFFFF;

// GUIDs of the configuration tables the driver looks up.
constexpr EFI_GUID kHobListGuid = {0x7739F24C, 0x93D7, 0x11D4, {0x9A, 0x3A, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4D}};
constexpr EFI_GUID kDxeServicesTableGuid = {
    0x05AD34BA, 0x6F02, 0x4214, {0x95, 0x2E, 0x4D, 0xA0, 0x39, 0x8E, 0x2B, 0xB9}};
