// The companion's own protocol for the test application.
#include "activity_log.h"
#include "companion_services.h"
#include "platform/firmware_services.h"
#include "published_lists.h"

// The trigger's interface carries nothing; only its installation matters.
static UINT64 gPublishTrigger;

static EFI_STATUS EFIAPI InstallPublishTrigger() {
  LogActivity("protocol-installed", "publish trigger", nullptr, nullptr, 0);
  EFI_HANDLE handle = nullptr;
  return gBS->InstallProtocolInterface(&handle, (EFI_GUID *)&kPublishTriggerGuid, EFI_NATIVE_INTERFACE,
                                       &gPublishTrigger);
}

static EFI_STATUS EFIAPI FindPublishedList(UINT16 FormClass, UEFI_HII_HANDLE *HiiHandle,
                                           FormCallbackInstance **Instance) {
  const PublishedList *list = FindPublishedClass(FormClass);
  if (list == nullptr) {
    return EFI_NOT_FOUND;
  }
  if (HiiHandle != nullptr) {
    *HiiHandle = list->HiiHandle;
  }
  if (Instance != nullptr) {
    *Instance = list->Callback;
  }
  return EFI_SUCCESS;
}

static const CompanionRecord *EFIAPI FirstRecord() { return FirstActivity(); }

void LogUnexpectedCall(const CHAR8 *Member) { LogActivity("unexpected-service-call", Member, nullptr, nullptr, 0); }

SetupCompanionProtocol gCompanionControl = {InstallPublishTrigger, FindPublishedList, FirstRecord};
