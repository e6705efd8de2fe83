#include "core/firmware_calls.h"
#include "core/form_callbacks.h"
#include "core/language_variables.h"
#include "core/page_strings.h"
#include "core/setup_module.h"
#include "core/string_service.h"
#include "pages/firmware_identity.h"

SetupPackageEntry SetupPackageTable[kSetupPackageCount] = {
    {&kSetupVariableGuid, &FormCallbackInstances[0], 1, 0, 0},
    {&kSetupVariableGuid, &FormCallbackInstances[1], 2, 0, 0},
    {&kSetupVariableGuid, &FormCallbackInstances[2], 4, 0, 0},
    {&kSetupVariableGuid, &FormCallbackInstances[3], 8, 0, 0},
    {&kSetupVariableGuid, &FormCallbackInstances[4], 16, 0, 0},
    {&kSetupVariableGuid, &FormCallbackInstances[5], 32, 0, 0},
    {&kSetupVariableGuid, &FormCallbackInstances[6], 64, 0, 0},
};

// The class-4 list serves only its defaults.
const UINT8 KeepPackageFlags[kSetupPackageCount] = {1, 1, 0, 1, 1, 1, 1};

namespace {

constexpr UINT16 kOptionsClass = 16;
constexpr UINT16 kMainClass = 1;

}  // namespace

VOID EFIAPI PublishSetupPackages(EFI_EVENT Event, VOID *) {
  // Without HII the event stays open, so a later trigger installation retries.
  if (gSetupModule.Hii == nullptr &&
      !LocateInterface(&kFrameworkHiiProtocolGuid, reinterpret_cast<VOID **>(&gSetupModule.Hii))) {
    return;
  }
  if (Event != nullptr) {
    gBS->CloseEvent(Event);
  }
  if (gSetupModule.Published) {
    return;
  }
  gSetupModule.Published = 1;
  if (EfiError(PublishPackageLists(gImageHandle, kSetupPackageCount, SetupPackageTable, PackageListCallback))) {
    gSetupModule.SetupDefaultsIncomplete = 1;
  }
  BuildLastLangCodes(SetupPackageTable[0].HiiHandle);
  for (UINTN Index = 0; Index < kSetupPackageCount; ++Index) {
    if (KeepPackageFlags[Index] == 0) {
      gSetupModule.Hii->RemovePack(gSetupModule.Hii, SetupPackageTable[Index].HiiHandle);
    }
  }
  // On a later boot that publishes, so that a Setup lost or never created (a
  // failed store, a first boot cut short) comes back. A first boot publishes
  // inside the entry point, whose update creates Setup already patched: one
  // write instead of two.
  if (Event != nullptr) {
    CreateMissingSetup();
  }
}

VOID EFIAPI PackageListCallback(EFI_HII_HANDLE HiiHandle, SetupPackageEntry *Entry) {
  if (Entry == nullptr || Entry->HiiHandle == 0) {
    return;
  }
  RunPageStringProviders(HiiHandle, Entry->Class);
  if (Entry->Class == kMainClass) {
    SetFirmwareIdentityStrings(HiiHandle);
  }
  if (Entry->Class == kOptionsClass) {
    SetPageString(HiiHandle, 685, u"%d", 3);
    SetPageString(HiiHandle, 686, u"%d", 20);
  }
  MergeSetupDefaults(HiiHandle);
}
