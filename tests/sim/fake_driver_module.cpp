// A stand-in driver image for the boot tests. It uses the machine through the
// tables as the setup driver does (deferred publishing on the trigger
// protocol, a package-list callback, form callbacks, variables) and leaves
// traces the tests read: a load counter in module state, one leaked pool
// block, one stray service call and a few port writes.
#include "driver/platform/hardware_access.h"
#include "driver/uefi/setup_platform_protocols.h"
#include "driver/uefi/uefi_tables.h"

namespace {

EFI_GUID gTestGuid = {0x5E7E5E7E, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
EFI_GUID gTriggerGuid = kPublishTriggerGuid;
EFI_GUID gStringServiceGuid = kStringServiceProtocolGuid;

EFI_HANDLE gImage;
EFI_BOOT_SERVICES *gBs;
EFI_RUNTIME_SERVICES *gRt;
UINT32 gLoads;  // module state: 0 on every fresh load

StringServiceProtocol *Strings() {
  VOID *interface = nullptr;
  gBs->LocateProtocol(&gStringServiceGuid, nullptr, &interface);
  return static_cast<StringServiceProtocol *>(interface);
}

void StoreNumber(const CHAR16 *name, UINT32 value) {
  gRt->SetVariable(const_cast<CHAR16 *>(name), &gTestGuid, kAttrNvBsRt, sizeof value, &value);
}

EFI_STATUS EFIAPI FormCallback(EFI_FORM_CALLBACK_PROTOCOL *This, UINT16 key, EFI_IFR_DATA_ARRAY *,
                               EFI_HII_CALLBACK_PACKET **);

FormCallbackInstance gInstances[2] = {{{nullptr, nullptr, FormCallback}, 1, 0},
                                      {{nullptr, nullptr, FormCallback}, 4, 0}};
SetupPackageEntry gTable[2] = {{&kSetupVariableGuid, &gInstances[0], 1, 0, 0},
                               {&kSetupVariableGuid, &gInstances[1], 4, 0, 0}};

EFI_STATUS EFIAPI FormCallback(EFI_FORM_CALLBACK_PROTOCOL *This, UINT16 key, EFI_IFR_DATA_ARRAY *,
                               EFI_HII_CALLBACK_PACKET **) {
  auto *instance = reinterpret_cast<FormCallbackInstance *>(This);
  for (const SetupPackageEntry &entry : gTable) {
    if (entry.Class == instance->Class) Strings()->SetString(entry.HiiHandle, 11, u"callback");
  }
  StoreNumber(u"LastKey", key);
  return EFI_SUCCESS;
}

VOID EFIAPI OnListPublished(EFI_HII_HANDLE handle, SetupPackageEntry *) { Strings()->SetString(handle, 10, u"published"); }

VOID EFIAPI PublishOnTrigger(EFI_EVENT event, VOID *) {
  StringServiceProtocol *strings = Strings();
  if (strings == nullptr) return;  // the event stays open: a later trigger retries
  gBs->CloseEvent(event);
  strings->PublishPackageLists(gImage, 2, gTable, OnListPublished);
}

bool VariableExists(const CHAR16 *name) {
  UINTN size = 0;
  return gRt->GetVariable(const_cast<CHAR16 *>(name), &gTestGuid, nullptr, &size, nullptr) == EFI_BUFFER_TOO_SMALL;
}

UINT32 ReadNumber(const CHAR16 *name) {
  UINT32 value = 0;
  UINTN size = sizeof value;
  gRt->GetVariable(const_cast<CHAR16 *>(name), &gTestGuid, nullptr, &size, &value);
  return value;
}

}  // namespace

extern "C" EFI_STATUS EFIAPI SetupDriverEntry(EFI_HANDLE image, EFI_SYSTEM_TABLE *systemTable) {
  gImage = image;
  gBs = systemTable->BootServices;
  gRt = systemTable->RuntimeServices;
  StoreNumber(u"Loads", ++gLoads);
  StoreNumber(u"SawVolatile", VariableExists(u"Volatile") ? 1 : 0);

  VOID *leaked = nullptr;
  gBs->AllocatePool(EfiBootServicesData, 40, &leaked);
  gBs->Stall(1);
  PortWrite8(0x80, 0x5A);  // a POST code
  PortWrite8(0x70, 0x0E);  // a port the platform does not watch
  PortWrite8(0xB2, 0xF1);  // a software SMI

  EFI_EVENT event = nullptr;
  VOID *registration = nullptr;
  gBs->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, PublishOnTrigger, nullptr, &event);
  gBs->RegisterProtocolNotify(&gTriggerGuid, event, &registration);
  // "FailEntry" makes the load fail, leaving registered for the tests of an
  // unloaded image its form callbacks (1: it published at once) or its event (2).
  const UINT32 fail = ReadNumber(u"FailEntry");
  if (fail == 1) PublishOnTrigger(event, nullptr);
  if (fail != 0) return EFI_LOAD_ERROR;
  return EFI_WARN_WRITE_FAILURE;  // distinctive, so the tests see that the entry status is reported
}
