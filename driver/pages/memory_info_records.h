// Records of the platform's memory firmware that the memory page reads: the
// MemoryInfo variable with its DIMM records, and the host data block that
// HostDataProtocol points to. Only the fields named here are read; the rest of
// each record belongs to its producer.
#pragma once

#include "uefi/uefi_base.h"

constexpr EFI_GUID kMemoryInfoVariableGuid = {
    0x7EE396A1, 0xFF7D, 0x431B, {0xFA, 0x53, 0x8C, 0xCD, 0x12, 0x7C, 0x44, 0xC5}};
constexpr EFI_GUID kHostDataProtocolGuid = {
    0xB980C346, 0x4A52, 0x4A3B, {0x9A, 0xE3, 0x28, 0x71, 0xEF, 0xE4, 0x51, 0xB5}};

constexpr UINTN kDimmRecordCount = 36;

#pragma pack(push, 1)
struct MemoryDimmRecord {
  UINT8 State;  // 0 normal, 1 mirrored, 2 lock step, 4 spared, 253 error, 254 disabled, else not present
  UINT8 Valid;  // only 1 is shown
  UINT8 Reserved[3];
  UINT16 SizeMb;
};

// Little-endian and unaligned, as the memory firmware stores it.
struct MemoryInfoRecord {
  UINT16 DimmSpeed;     // 0 800 MHz .. 4 1866 MHz
  UINT16 RasMode;       // 0 independent, 1 mirroring, 2 lock step, 3 sparing
  UINT32 TotalMb;
  UINT8 Capabilities;   // bit 0 and bit 2 each select a "Supported" line
  MemoryDimmRecord Dimms[kDimmRecordCount];
  UINT8 Reserved[84];
};
#pragma pack(pop)
static_assert(sizeof(MemoryDimmRecord) == 7, "DIMM record layout");
static_assert(offsetof(MemoryDimmRecord, SizeMb) == 5, "DIMM record layout");
static_assert(offsetof(MemoryInfoRecord, TotalMb) == 4, "MemoryInfo layout");
static_assert(offsetof(MemoryInfoRecord, Capabilities) == 8, "MemoryInfo layout");
static_assert(offsetof(MemoryInfoRecord, Dimms) == 9, "MemoryInfo layout");
static_assert(sizeof(MemoryInfoRecord) == 345, "MemoryInfo is read with a size of 345 bytes");

// Byte offsets in the host data block.
constexpr UINTN kHostLinkModeOffset = 554;      // 0 slow, else fast
constexpr UINTN kHostLinkSpeedOffset = 555;     // 1 6.4 GT/s, 2 7.2 GT/s, 3 8.0 GT/s
constexpr UINTN kHostSocketCountOffset = 563;
constexpr UINTN kHostSocketPresentOffset = 575;  // one byte per socket, non-zero when populated

// The first member is the only one the driver reads.
struct HostDataProtocol {
  const UINT8 *Block;
};
