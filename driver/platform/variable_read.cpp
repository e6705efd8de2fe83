#include "platform/firmware_services.h"

// Reads a variable into *Buffer, replacing the buffer by one of the reported size
// when it is too small. The caller owns *Buffer afterwards, whatever the status.
EFI_STATUS GetVariableGrow(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes, UINTN *DataSize,
                           VOID **Buffer) {
  CHAR16 *name = const_cast<CHAR16 *>(Name);
  EFI_GUID *guid = const_cast<EFI_GUID *>(Guid);
  if (*Buffer == nullptr) {
    *DataSize = 0;
  }
  EFI_STATUS status = gRT->GetVariable(name, guid, Attributes, DataSize, *Buffer);
  if (status != EFI_BUFFER_TOO_SMALL) {
    return status;
  }
  if (*Buffer != nullptr) {
    gBS->FreePool(*Buffer);
  }
  *Buffer = AllocateBootPool(*DataSize);
  if (*Buffer == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  return gRT->GetVariable(name, guid, Attributes, DataSize, *Buffer);
}
