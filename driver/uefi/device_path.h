// UEFI device path nodes, as far as a storage page walks them: the generic node
// header, the hardware PCI node, the messaging ATAPI, SCSI and SATA nodes and the
// end node. Nodes are byte-packed and may sit at any address.
#pragma once

#include "uefi_base.h"

constexpr EFI_GUID kEfiDevicePathProtocolGuid = {
    0x09576E91, 0x6D3F, 0x11D2, {0x8E, 0x39, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B}};

constexpr UINT8 HARDWARE_DEVICE_PATH = 0x01;
constexpr UINT8 HW_PCI_DP = 0x01;

constexpr UINT8 MESSAGING_DEVICE_PATH = 0x03;
constexpr UINT8 MSG_ATAPI_DP = 0x01;
constexpr UINT8 MSG_SCSI_DP = 0x02;
constexpr UINT8 MSG_SATA_DP = 0x12;

constexpr UINT8 END_DEVICE_PATH_TYPE = 0x7F;
constexpr UINT8 END_INSTANCE_DEVICE_PATH_SUBTYPE = 0x01;
constexpr UINT8 END_ENTIRE_DEVICE_PATH_SUBTYPE = 0xFF;

#pragma pack(push, 1)
struct EFI_DEVICE_PATH_PROTOCOL {
  UINT8 Type;
  UINT8 SubType;
  UINT8 Length[2];  // little-endian length of the whole node, header included
};

struct PCI_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  UINT8 Function;
  UINT8 Device;
};

struct ATAPI_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  UINT8 PrimarySecondary;  // 0 primary, 1 secondary
  UINT8 SlaveMaster;       // 0 master, 1 slave
  UINT16 Lun;
};

struct SCSI_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  UINT16 Pun;
  UINT16 Lun;
};

struct SATA_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  UINT16 HBAPortNumber;
  UINT16 PortMultiplierPortNumber;  // 0xFFFF: attached directly
  UINT16 Lun;
};
#pragma pack(pop)

static_assert(sizeof(EFI_DEVICE_PATH_PROTOCOL) == 4, "device path header layout");
static_assert(offsetof(EFI_DEVICE_PATH_PROTOCOL, Length) == 2, "device path header layout");
static_assert(sizeof(PCI_DEVICE_PATH) == 6, "PCI node layout");
static_assert(offsetof(PCI_DEVICE_PATH, Function) == 4 && offsetof(PCI_DEVICE_PATH, Device) == 5, "PCI node layout");
static_assert(sizeof(ATAPI_DEVICE_PATH) == 8, "ATAPI node layout");
static_assert(offsetof(ATAPI_DEVICE_PATH, SlaveMaster) == 5 && offsetof(ATAPI_DEVICE_PATH, Lun) == 6,
              "ATAPI node layout");
static_assert(sizeof(SCSI_DEVICE_PATH) == 8, "SCSI node layout");
static_assert(offsetof(SCSI_DEVICE_PATH, Lun) == 6, "SCSI node layout");
static_assert(sizeof(SATA_DEVICE_PATH) == 10, "SATA node layout");
static_assert(offsetof(SATA_DEVICE_PATH, PortMultiplierPortNumber) == 6 && offsetof(SATA_DEVICE_PATH, Lun) == 8,
              "SATA node layout");

inline UINT16 DevicePathNodeLength(const EFI_DEVICE_PATH_PROTOCOL *Node) {
  return (UINT16)(Node->Length[0] | Node->Length[1] << 8);
}
