#include "list_handle.h"

#include "config_access.h"
#include "framework_form_callback.h"
#include "platform/firmware_services.h"

// The companion's own vendor node GUID.
static constexpr EFI_GUID kListDevicePathGuid = {
    0x099B015A, 0xEE9F, 0x43CA, {0xA6, 0xB4, 0x89, 0x6D, 0x3E, 0x79, 0xF4, 0x27}};

static void FillDevicePath(ListDevicePath *Path, UINT16 FormClass) {
  const UINT16 vendorLength = sizeof(Path->Vendor) + sizeof(Path->VendorGuid) + sizeof(Path->FormClass);
  Path->Vendor = {HARDWARE_DEVICE_PATH, HW_VENDOR_DP, {(UINT8)vendorLength, (UINT8)(vendorLength >> 8)}};
  Path->VendorGuid = kListDevicePathGuid;
  Path->FormClass = FormClass;
  Path->End = {END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, {sizeof(Path->End), 0}};
}

struct ListInterface {
  const EFI_GUID *Protocol;
  VOID *Interface;
};

static UINTN ListInterfaces(PublishedList *List, ListInterface (&Out)[3]) {
  Out[0] = {&kFrameworkFormCallbackProtocolGuid, List->Callback};
  Out[1] = {&kEfiDevicePathProtocolGuid, &List->DevicePath};
  Out[2] = {&kEfiHiiConfigAccessProtocolGuid, &List->ConfigAccess};
  return 3;
}

static void Uninstall(EFI_HANDLE Handle, const ListInterface *Interfaces, UINTN Count) {
  while (Count-- > 0) {
    gBS->UninstallProtocolInterface(Handle, (EFI_GUID *)Interfaces[Count].Protocol, Interfaces[Count].Interface);
  }
}

EFI_STATUS InstallListInterfaces(PublishedList *List) {
  FillDevicePath(&List->DevicePath, List->Seed->FormClass);
  List->ConfigAccess = kListConfigAccess;
  ListInterface interfaces[3];
  const UINTN count = ListInterfaces(List, interfaces);
  EFI_HANDLE handle = nullptr;
  for (UINTN index = 0; index < count; index++) {
    const EFI_STATUS status = gBS->InstallProtocolInterface(&handle, (EFI_GUID *)interfaces[index].Protocol,
                                                            EFI_NATIVE_INTERFACE, interfaces[index].Interface);
    if (EfiError(status)) {
      Uninstall(handle, interfaces, index);
      return status;
    }
  }
  List->DriverHandle = handle;
  return EFI_SUCCESS;
}

void UninstallListInterfaces(PublishedList *List) {
  ListInterface interfaces[3];
  Uninstall(List->DriverHandle, interfaces, ListInterfaces(List, interfaces));
}
