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

constexpr UINTN kDefaultImageMask = 1;
constexpr UINT16 kSetupVariableId = 0;
constexpr UINT16 kOptionsClass = 16;
constexpr UINT16 kMainClass = 1;

// The first pack of variable id 0. The node whose next pointer is null ends the
// list and carries no pack of its own, so it is never examined.
const EFI_HII_VARIABLE_PACK *FindSetupDefaults(const EFI_HII_VARIABLE_PACK_LIST *List) {
  for (const EFI_HII_VARIABLE_PACK_LIST *Node = List; Node != nullptr && Node->NextVariablePack != nullptr;
       Node = Node->NextVariablePack) {
    if (Node->VariablePack != nullptr && Node->VariablePack->VariableId == kSetupVariableId) {
      return Node->VariablePack;
    }
  }
  return nullptr;
}

// ORs the list's Setup defaults into the module's default image. A pack whose
// data is not exactly one SetupData (also one whose lengths contradict each
// other) contributes nothing.
void MergeSetupDefaults(EFI_HII_HANDLE HiiHandle) {
  EFI_HII_PROTOCOL *Hii = gSetupModule.Hii;
  if (Hii == nullptr) {
    return;
  }
  EFI_HII_VARIABLE_PACK_LIST *List = nullptr;
  if (EfiError(Hii->GetDefaultImage(Hii, HiiHandle, kDefaultImageMask, &List))) {
    return;
  }
  const EFI_HII_VARIABLE_PACK *Pack = FindSetupDefaults(List);
  if (Pack != nullptr) {
    UINT64 FixedAndName = sizeof(EFI_HII_VARIABLE_PACK) + static_cast<UINT64>(Pack->VariableNameLength);
    if (Pack->Header.Length >= FixedAndName && Pack->Header.Length - FixedAndName == kSetupDataSize) {
      const UINT8 *Data = reinterpret_cast<const UINT8 *>(Pack) + FixedAndName;
      for (UINTN Offset = 0; Offset < kSetupDataSize; ++Offset) {
        gSetupModule.SetupDefaultImage[Offset] |= Data[Offset];
      }
    }
  }
  if (List != nullptr) {
    gBS->FreePool(List);
  }
}

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
  PublishPackageLists(gImageHandle, kSetupPackageCount, SetupPackageTable, PackageListCallback);
  BuildLastLangCodes(SetupPackageTable[0].HiiHandle);
  for (UINTN Index = 0; Index < kSetupPackageCount; ++Index) {
    if (KeepPackageFlags[Index] == 0) {
      gSetupModule.Hii->RemovePack(gSetupModule.Hii, SetupPackageTable[Index].HiiHandle);
    }
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
