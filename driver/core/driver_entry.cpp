#include "platform/firmware_services.h"

// Until the setup spine lands, the image only records its service tables.
extern "C" EFI_STATUS EFIAPI SetupDriverEntry(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  CaptureServiceTables(ImageHandle, SystemTable);
  return EFI_SUCCESS;
}
