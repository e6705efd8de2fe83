#include "core/firmware_calls.h"
#include "core/setup_module.h"

namespace {

constexpr UINTN kDefaultImageMask = 1;
constexpr UINT16 kSetupVariableId = 0;

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

}  // namespace

void MergeSetupDefaults(EFI_HII_HANDLE HiiHandle) {
  EFI_HII_PROTOCOL *Hii = gSetupModule.Hii;
  if (Hii == nullptr) {
    return;
  }
  EFI_HII_VARIABLE_PACK_LIST *List = nullptr;
  EFI_STATUS Status = Hii->GetDefaultImage(Hii, HiiHandle, kDefaultImageMask, &List);
  if (EfiError(Status)) {
    if (Status != EFI_NOT_FOUND) {
      gSetupModule.SetupDefaultsIncomplete = 1;
    }
    return;
  }
  const EFI_HII_VARIABLE_PACK *Pack = FindSetupDefaults(List);
  if (Pack != nullptr) {
    // In 64 bits, so that a name length near 4 GiB cannot wrap the data length into 687.
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

BOOLEAN SetupDefaultsWhole() { return gSetupModule.Published && !gSetupModule.SetupDefaultsIncomplete; }

void CreateMissingSetup() {
  if (!SetupDefaultsWhole()) {
    return;
  }
  // Only a definite absence: a read that fails for any other reason may hide
  // the user's settings, which the defaults must never replace.
  UINTN Size = 0;
  if (ReadVariable(u"Setup", &kSetupVariableGuid, &Size, nullptr) != EFI_NOT_FOUND) {
    return;
  }
  StoreVariable(u"Setup", &kSetupVariableGuid, kAttrNvBsRt, kSetupDataSize, gSetupModule.SetupDefaultImage);
}
