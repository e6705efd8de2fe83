// What the companion board driver offers the test application that runs the setup
// driver on real firmware: the publishing trigger on request, the package list of a
// class with the form callback instance registered for it, and the record of what
// the setup driver asked of the board's components.
#pragma once

#include "hii_packages.h"
#include "uefi/setup_platform_protocols.h"

constexpr EFI_GUID kSetupCompanionProtocolGuid = {
    0x00459112, 0x94DE, 0x4AB0, {0x8F, 0xE8, 0x7C, 0x5F, 0x4A, 0xE0, 0xF9, 0xCC}};

struct CompanionValue {
  const CHAR8 *Name;
  UINT64 Value;
};

// One thing the board's components saw, named as the simulator's event log names
// it ("package-list-published", "string-written", "board-register-write", ...).
struct CompanionRecord {
  CompanionRecord *Next;
  const CHAR8 *Kind;
  const CHAR8 *Detail;  // e.g. the member of an unexpected call; may be null
  const CHAR16 *Text;   // the text of a string write; null otherwise
  UINTN ValueCount;
  CompanionValue Values[4];
};

struct SetupCompanionProtocol {
  // Installs the protocol whose appearance releases the setup driver's deferred publishing.
  EFI_STATUS(EFIAPI *InstallPublishTrigger)();
  // The earliest published list of that class still registered: its handle in the
  // real HII database and its form callback instance. EFI_NOT_FOUND when none.
  EFI_STATUS(EFIAPI *FindPublishedList)(UINT16 FormClass, UEFI_HII_HANDLE *HiiHandle,
                                        FormCallbackInstance **Instance);
  // The records in the order they happened; null when there are none.
  const CompanionRecord *(EFIAPI *FirstRecord)();
};
