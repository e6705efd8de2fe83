#include "platform/firmware_services.h"

// Cached on the first successful lookup; the table does not move during boot services.
static DXE_SERVICES_TABLE_HEADER *gDxeServices;

VOID *FindConfigurationTable(EFI_SYSTEM_TABLE *SystemTable, const EFI_GUID *Guid) {
  for (UINTN index = 0; index < SystemTable->NumberOfTableEntries; index++) {
    const EFI_CONFIGURATION_TABLE &entry = SystemTable->ConfigurationTable[index];
    if (MemCompare(&entry.VendorGuid, Guid, sizeof(EFI_GUID)) == 0) {
      return entry.VendorTable;
    }
  }
  return nullptr;
}

EFI_STATUS GetDxeServicesTable(DXE_SERVICES_TABLE_HEADER **Table) {
  if (gST == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (gDxeServices == nullptr) {
    gDxeServices = (DXE_SERVICES_TABLE_HEADER *)FindConfigurationTable(gST, &kDxeServicesTableGuid);
    if (gDxeServices == nullptr) {
      return kDxeServicesNotFound;
    }
  }
  if (Table != nullptr) {
    *Table = gDxeServices;
  }
  return EFI_SUCCESS;
}
