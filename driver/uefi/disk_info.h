// EFI_DISK_INFO_PROTOCOL: identify data of a disk behind an IDE, AHCI or SCSI
// controller. Interface tells the format of the buffers the members fill.
#pragma once

#include "uefi_base.h"

constexpr EFI_GUID kEfiDiskInfoProtocolGuid = {
    0xD432A67F, 0x14DC, 0x484B, {0xB3, 0xBB, 0x3F, 0x02, 0x91, 0x84, 0x93, 0x27}};
constexpr EFI_GUID kEfiDiskInfoIdeInterfaceGuid = {
    0x5E948FE3, 0x26D3, 0x42B5, {0xAF, 0x17, 0x61, 0x02, 0x87, 0x18, 0x8D, 0xEC}};
constexpr EFI_GUID kEfiDiskInfoAhciInterfaceGuid = {
    0x9E498932, 0x4ABC, 0x45AF, {0xA3, 0x4D, 0x02, 0x47, 0x78, 0x7B, 0xE7, 0xC6}};

struct EFI_DISK_INFO_PROTOCOL {
  EFI_GUID Interface;
  EFI_STATUS(EFIAPI *Inquiry)(EFI_DISK_INFO_PROTOCOL *This, VOID *InquiryData, UINT32 *InquiryDataSize);
  EFI_STATUS(EFIAPI *Identify)(EFI_DISK_INFO_PROTOCOL *This, VOID *IdentifyData, UINT32 *IdentifyDataSize);
  EFI_STATUS(EFIAPI *SenseData)(EFI_DISK_INFO_PROTOCOL *This, VOID *SenseData, UINT32 *SenseDataSize,
                                UINT8 *SenseDataNumber);
  EFI_STATUS(EFIAPI *WhichIde)(EFI_DISK_INFO_PROTOCOL *This, UINT32 *IdeChannel, UINT32 *IdeDevice);
};
static_assert(offsetof(EFI_DISK_INFO_PROTOCOL, Inquiry) == 16, "disk info layout");
static_assert(offsetof(EFI_DISK_INFO_PROTOCOL, Identify) == 24, "disk info layout");
static_assert(offsetof(EFI_DISK_INFO_PROTOCOL, WhichIde) == 40, "disk info layout");
static_assert(sizeof(EFI_DISK_INFO_PROTOCOL) == 48, "disk info layout");
