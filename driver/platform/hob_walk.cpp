#include "platform/firmware_services.h"
#include "platform/unaligned.h"

// A malformed length can leave a HOB at any address, so its header is read unaligned.
static UINT16 HobTypeAt(const UINT8 *Hob) { return ReadUnaligned16(Hob + offsetof(EFI_HOB_GENERIC_HEADER, HobType)); }
static UINT16 HobLengthAt(const UINT8 *Hob) {
  return ReadUnaligned16(Hob + offsetof(EFI_HOB_GENERIC_HEADER, HobLength));
}

EFI_STATUS NextHobOfType(UINT16 Type, EFI_HOB_GENERIC_HEADER **Hob) {
  if (Hob == nullptr || *Hob == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  UINT8 *hob = (UINT8 *)*Hob;
  for (;;) {
    if (HobTypeAt(hob) == EFI_HOB_TYPE_END_OF_HOB_LIST) {
      return EFI_NOT_FOUND;
    }
    // A length too short to hold the header itself would keep the walk in place for ever.
    UINT16 length = HobLengthAt(hob);
    if (length < sizeof(EFI_HOB_GENERIC_HEADER)) {
      return EFI_NOT_FOUND;
    }
    hob += length;
    if (HobTypeAt(hob) == Type) {
      *Hob = (EFI_HOB_GENERIC_HEADER *)hob;
      return EFI_SUCCESS;
    }
  }
}

EFI_HOB_GUID_TYPE *FindGuidHob(const EFI_GUID *Name) {
  if (gST == nullptr) {
    return nullptr;
  }
  EFI_HOB_GENERIC_HEADER *hob = (EFI_HOB_GENERIC_HEADER *)FindConfigurationTable(gST, &kHobListGuid);
  if (hob == nullptr) {
    return nullptr;
  }
  while (NextHobOfType(EFI_HOB_TYPE_GUID_EXTENSION, &hob) == EFI_SUCCESS) {
    const UINT8 *bytes = (const UINT8 *)hob;
    // A GUID HOB too short to carry its name is skipped rather than read past its end.
    if (HobLengthAt(bytes) >= sizeof(EFI_HOB_GUID_TYPE) &&
        MemCompare(bytes + offsetof(EFI_HOB_GUID_TYPE, Name), Name, sizeof(EFI_GUID)) == 0) {
      return (EFI_HOB_GUID_TYPE *)hob;
    }
  }
  return nullptr;
}
