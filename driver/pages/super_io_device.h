// SioDeviceProtocol: the interface the board's Super I/O driver installs once per
// device of the chip. The setup page reads only the fields typed here; every
// other byte belongs to the installing driver.
#pragma once

#include "uefi/uefi_base.h"

constexpr EFI_GUID kSioDeviceProtocolGuid = {
    0x51E9B4F9, 0x555D, 0x476C, {0x8B, 0xB5, 0xBD, 0x18, 0xD9, 0xA6, 0x88, 0x78}};

// The device kinds the page shows.
constexpr UINT32 kSioKindFloppy = 1;
constexpr UINT32 kSioKindSerial = 6;
constexpr UINT32 kSioKindParallel = 7;
constexpr UINT32 kSioKindInfrared = 12;

#pragma pack(push, 1)
struct SioDeviceDescription {
  UINT32 Kind;
  UINT8 Reserved0;
  UINT8 Instance;  // within the kind
  UINT8 Reserved1[3];
  UINT8 Present;   // 0: the device is not shown
};

struct SioDeviceInterface {
  UINT8 Reserved0[0x88];
  SioDeviceDescription *Description;
  UINT8 Enabled;  // 0: the device is not shown
  UINT8 Reserved1[0x21];
  UINT8 Active;   // 0: the device is not shown
  UINT16 IoBase;  // unaligned in the interface
  UINT8 Reserved2[2];
  UINT8 Irq;      // 0: none
  UINT8 Reserved3;
  UINT8 Dma;      // 0: none
};
#pragma pack(pop)
static_assert(offsetof(SioDeviceDescription, Instance) == 5, "SioDeviceDescription layout");
static_assert(offsetof(SioDeviceDescription, Present) == 9, "SioDeviceDescription layout");
static_assert(offsetof(SioDeviceInterface, Description) == 0x88, "SioDeviceInterface layout");
static_assert(offsetof(SioDeviceInterface, Enabled) == 0x90, "SioDeviceInterface layout");
static_assert(offsetof(SioDeviceInterface, Active) == 0xB2, "SioDeviceInterface layout");
static_assert(offsetof(SioDeviceInterface, IoBase) == 0xB3, "SioDeviceInterface layout");
static_assert(offsetof(SioDeviceInterface, Irq) == 0xB7, "SioDeviceInterface layout");
static_assert(offsetof(SioDeviceInterface, Dma) == 0xB9, "SioDeviceInterface layout");
