// The driver's module state and its entry points: the image entry, the
// publishing of the seven setup package lists and the string service's
// per-list callback. Module state lives as long as the driver and is touched
// only from its single-threaded contexts (entry point, notifications, callbacks).
#pragma once

#include "core/setup_record.h"
#include "uefi/setup_platform_protocols.h"
#include "uefi/uefi_tables.h"

struct SetupModuleState {
  EFI_HII_PROTOCOL *Hii;                  // located by the first publishing attempt
  BOOLEAN Published;                      // publishing runs at most once per boot
  EFI_EVENT TriggerEvent;                 // deferred publishing, closed when it fires
  VOID *TriggerRegistration;
  BoardQueryProtocol *BoardQuery;
  BoardRegisterProtocol *BoardRegister;   // also read by the network and FRU page
  UINT8 SetupDefaultImage[kSetupDataSize];  // union of the published lists' form defaults
  // Publishing failed or a list's defaults could not be read: the image lacks
  // defaults it should hold, so it must not become the stored Setup.
  BOOLEAN SetupDefaultsIncomplete;
};
extern SetupModuleState gSetupModule;

constexpr UINTN kSetupPackageCount = 7;
extern SetupPackageEntry SetupPackageTable[kSetupPackageCount];
// 0: the list is removed from the HII database once its defaults are merged.
extern const UINT8 KeepPackageFlags[kSetupPackageCount];

// The board codes register 0x8310 may hold; any other sets kSetupUnknownBoardCodeOffset.
constexpr UINTN kBoardCodeCount = 8;
extern const UINT8 BoardCodeTable[kBoardCodeCount];

extern "C" EFI_STATUS EFIAPI SetupDriverEntry(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable);

// The trigger event's notification function; also called directly with a null Event.
VOID EFIAPI PublishSetupPackages(EFI_EVENT Event, VOID *Context);
VOID EFIAPI PackageListCallback(EFI_HII_HANDLE HiiHandle, SetupPackageEntry *Entry);

// ORs the Setup defaults of the package list HiiHandle into SetupDefaultImage. A
// pack whose data is not exactly one SetupData (also one whose lengths contradict
// each other) contributes nothing, as does a list without a default image
// (EFI_NOT_FOUND); any other failure marks the image incomplete.
void MergeSetupDefaults(EFI_HII_HANDLE HiiHandle);

// Whether this load has published and SetupDefaultImage holds every published
// list's defaults, so that it may become the stored Setup.
BOOLEAN SetupDefaultsWhole();

// Stores SetupDefaultImage as Setup when a read finds no Setup (EFI_NOT_FOUND)
// and the defaults are whole; the end of a deferred publishing.
void CreateMissingSetup();

// Patches the stored Setup record from board state and stores SetupMenuCondition
// (the tail of the entry point); returns the entry point's status. A Setup
// missing after this load published is created from the whole defaults.
EFI_STATUS UpdateSetupRecords();
