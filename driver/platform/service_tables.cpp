#include "platform/firmware_services.h"

EFI_SYSTEM_TABLE *gST;
EFI_BOOT_SERVICES *gBS;
EFI_RUNTIME_SERVICES *gRT;
EFI_HANDLE gImageHandle;

void CaptureServiceTables(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  if (gST != nullptr) {
    return;
  }
  gST = SystemTable;
  gBS = SystemTable->BootServices;
  gRT = SystemTable->RuntimeServices;
  gImageHandle = ImageHandle;
}
