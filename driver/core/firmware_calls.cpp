#include "core/firmware_calls.h"

#include "uefi/setup_platform_protocols.h"

BOOLEAN LocateInterface(const EFI_GUID *Protocol, VOID **Interface) {
  VOID *Found = nullptr;
  if (EfiError(gBS->LocateProtocol(const_cast<EFI_GUID *>(Protocol), nullptr, &Found)) || Found == nullptr) {
    *Interface = nullptr;
    return false;
  }
  *Interface = Found;
  return true;
}

EFI_STATUS ReadVariable(const CHAR16 *Name, const EFI_GUID *Guid, UINTN *Size, VOID *Data, UINT32 *Attributes) {
  return gRT->GetVariable(const_cast<CHAR16 *>(Name), const_cast<EFI_GUID *>(Guid), Attributes, Size, Data);
}

EFI_STATUS StoreVariable(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 Attributes, UINTN Size,
                         const VOID *Data) {
  return gRT->SetVariable(const_cast<CHAR16 *>(Name), const_cast<EFI_GUID *>(Guid), Attributes, Size,
                          const_cast<VOID *>(Data));
}

BOOLEAN VariableExists(const CHAR16 *Name, const EFI_GUID *Guid) {
  UINTN Size = 0;
  return ReadVariable(Name, Guid, &Size, nullptr) == EFI_BUFFER_TOO_SMALL;
}

VOID *GetVariableAlloc(const CHAR16 *Name, const EFI_GUID *Guid, UINTN *Size, EFI_STATUS *Status) {
  VOID *Buffer = nullptr;
  UINTN DataSize = 0;
  EFI_STATUS Result = GetVariableGrow(Name, Guid, nullptr, &DataSize, &Buffer);
  if (!EfiError(Result) && Buffer == nullptr) {
    Result = EFI_NOT_FOUND;  // a firmware that reports an empty variable as present
  }
  if (Status != nullptr) {
    *Status = Result;
  }
  if (EfiError(Result)) {
    // The grown buffer belongs to us on every outcome, also when the second read failed.
    if (Buffer != nullptr) {
      gBS->FreePool(Buffer);
    }
    return nullptr;
  }
  if (Size != nullptr) {
    *Size = DataSize;
  }
  return Buffer;
}

EFI_STATUS SetGlobalVolatile(const CHAR16 *Name, const VOID *Data, UINTN Size) {
  if (Data == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  return StoreVariable(Name, &kEfiGlobalVariableGuid, kAttrBsRt, Size, Data);
}

EFI_STATUS SetGlobalNonVolatile(const CHAR16 *Name, const VOID *Data, UINTN Size) {
  if (Data == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  return StoreVariable(Name, &kEfiGlobalVariableGuid, kAttrNvBsRt, Size, Data);
}
