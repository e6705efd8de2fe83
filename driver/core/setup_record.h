// The Setup variable (SetupData): the 687-byte record of menu settings that the
// setup forms define through their default images. The driver touches only the
// bytes named here; every other byte passes through unchanged when it rewrites
// the record. Also the 17-byte SetupMenuCondition record.
#pragma once

#include "uefi/uefi_base.h"

constexpr UINTN kSetupDataSize = 687;

// Read by the storage page.
constexpr UINTN kSetupSataModeOffset = 4;             // 0 disabled, 1 channel/device, else by port
constexpr UINTN kSetupSasRomNamesOffset = 75;         // non-zero: list the SAS option ROM's product names
constexpr UINTN kSetupStorageStopAfterSataOffset = 77;  // non-zero: stop after the SATA lines
// Read by the memory page.
constexpr UINTN kSetupVgaCpuOffset = 271;             // processor number shown by "Vga From CPU %d"
constexpr UINTN kSetupLowMemoryLimitOffset = 281;     // 1: 2048 MB, 2: 2560 MB, 3: 3072 MB, else 1024 MB
// Written at every load by the entry point.
constexpr UINTN kSetupLoadClearedWordOffset = 392;    // 16 bits, set to 0
constexpr UINTN kSetupLoadSetByteOffset = 394;        // set to 1
// Written by the per-socket processor details.
constexpr UINTN kSetupSocket0AbsentOffset = 399;
constexpr UINTN kSetupSocket1AbsentOffset = 400;
constexpr UINTN kSetupBrandJoinedOffset = 401;        // 1: brand text in one string, 0: split over two
// Read and written by the entry point.
constexpr UINTN kSetupBoardResetRequestOffset = 405;  // one-shot: non-zero clears board register 0x8318
constexpr UINTN kSetupUnknownBoardCodeOffset = 461;   // 1 when register 0x8310 is outside BoardCodeTable
constexpr UINTN kSetupBoardCodeClearedOffset = 462;   // set to 0 beside offset 461

constexpr UINTN kSetupLoadClearedWordWidth = 2;

// Whether a field of Width bytes at Offset lies inside a record of RecordSize bytes;
// a shorter stored record is neither read nor written past its own size.
constexpr bool SetupFieldInside(UINTN Offset, UINTN Width, UINTN RecordSize) {
  return Offset + Width <= RecordSize;
}

// Stores one byte of a record of RecordSize bytes when the byte lies inside it.
inline void SetSetupByte(UINT8 *Record, UINTN RecordSize, UINTN Offset, UINT8 Value) {
  if (SetupFieldInside(Offset, 1, RecordSize)) {
    Record[Offset] = Value;
  }
}

static_assert(SetupFieldInside(kSetupLoadClearedWordOffset, kSetupLoadClearedWordWidth, kSetupDataSize),
              "every mapped field lies inside SetupData");
static_assert(SetupFieldInside(kSetupBoardCodeClearedOffset, 1, kSetupDataSize),
              "every mapped field lies inside SetupData");
static_assert(kSetupLoadClearedWordOffset + kSetupLoadClearedWordWidth == kSetupLoadSetByteOffset,
              "the cleared word ends where the set byte starts");

// Stored volatile as SetupMenuCondition. Only bytes 1 and 6 carry a meaning for
// this driver; it stores the others as zeros.
struct SetupMenuConditionRecord {
  UINT8 Reserved0;
  UINT8 BoardCondition;  // 1 when QueryBoardCondition(2) reports a non-zero byte
  UINT8 Reserved2[4];
  UINT8 Cleared6;        // always 0
  UINT8 Reserved7[10];
};
static_assert(sizeof(SetupMenuConditionRecord) == 17, "SetupMenuCondition is 17 bytes");
static_assert(offsetof(SetupMenuConditionRecord, BoardCondition) == 1, "condition record layout");
static_assert(offsetof(SetupMenuConditionRecord, Cleared6) == 6, "condition record layout");
