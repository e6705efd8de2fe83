#include "platform/firmware_services.h"

VOID *AllocateBootPool(UINTN Size) {
  VOID *buffer = nullptr;
  gBS->AllocatePool(EfiBootServicesData, Size, &buffer);
  return buffer;
}

VOID *AllocateZeroedPool(UINTN Size) {
  VOID *buffer = AllocateBootPool(Size);
  if (buffer != nullptr) {
    gBS->SetMem(buffer, Size, 0);
  }
  return buffer;
}
