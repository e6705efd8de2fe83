// UsbDeviceInfoProtocol: what the firmware's USB stack reports about the devices
// it found. Plain functions: neither member the page calls takes the interface.
#pragma once

#include "uefi/setup_platform_protocols.h"

constexpr EFI_GUID kUsbDeviceInfoProtocolGuid = {
    0x2AD8E2D2, 0x2E91, 0x4CD1, {0x95, 0xF5, 0xE7, 0x8F, 0xE5, 0xEB, 0xE3, 0x16}};

// Indexes of the count record's six bytes.
enum UsbDeviceKind : UINT8 {
  kUsbKeyboards,
  kUsbMice,
  kUsbPointingDevices,
  kUsbDrives,
  kUsbHubs,
  kUsbSmartCardReaders,
  kUsbDeviceKindCount
};

// What GetMassStorageName returns when the cursor names no device; otherwise bit 7
// marks the last device and the rest is the cursor for the next call.
constexpr UINT8 kUsbNoDevice = 0xFF;
constexpr UINT8 kUsbLastDevice = 0x80;

struct UsbDeviceInfoProtocol {
  UNUSED_SERVICE_MEMBER Reserved0;
  UNUSED_SERVICE_MEMBER Reserved1;
  EFI_STATUS(EFIAPI *GetDeviceCounts)(UINT8 *Counts);  // kUsbDeviceKindCount bytes
  UINT8(EFIAPI *GetMassStorageName)(CHAR8 *Buffer, UINT8 Size, UINT8 Cursor);
};
static_assert(offsetof(UsbDeviceInfoProtocol, GetDeviceCounts) == 16, "UsbDeviceInfoProtocol layout");
static_assert(offsetof(UsbDeviceInfoProtocol, GetMassStorageName) == 24, "UsbDeviceInfoProtocol layout");
