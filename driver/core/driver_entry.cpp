#include "core/firmware_calls.h"
#include "core/language_variables.h"
#include "core/setup_module.h"

// A first boot (no LastLangCodes yet) publishes at once, after which the update
// creates a missing Setup from the merged defaults; later boots leave publishing
// to whoever installs the trigger protocol, so the load itself stays short.
extern "C" EFI_STATUS EFIAPI SetupDriverEntry(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  CaptureServiceTables(ImageHandle, SystemTable);
  MemFill(gSetupModule.SetupDefaultImage, kSetupDataSize, 0);
  if (VariableExists(u"LastLangCodes", &kSetupVariableGuid)) {
    RegisterProtocolNotifyEvent(&kPublishTriggerGuid, PublishSetupPackages, nullptr, &gSetupModule.TriggerEvent,
                                &gSetupModule.TriggerRegistration);
  } else {
    PublishSetupPackages(nullptr, nullptr);
  }
  InitLanguageVariables();
  const EFI_STATUS Status = UpdateSetupRecords();
  // The dispatcher unloads an image whose entry point fails. Once this load has
  // published lists (form callbacks, processor notifications) or left the
  // trigger event open, the firmware calls into the image later, so it must stay
  // loaded; the failed patch is made again by the next load.
  if (EfiError(Status) && (gSetupModule.Published || gSetupModule.TriggerEvent != nullptr)) {
    return EFI_SUCCESS;
  }
  return Status;
}
