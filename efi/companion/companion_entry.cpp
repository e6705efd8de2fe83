// The companion board driver for QEMU's q35 machine: installs what the real board's
// other firmware components would before the setup driver loads (the string service
// over the firmware's HII database, the Framework HII members, the board query and
// board register protocols, the message box and the management engine's update
// outcome), and the protocol the test application drives it with.
#include "activity_log.h"
#include "companion_services.h"
#include "message_box.h"
#include "platform/firmware_services.h"

EFI_HII_DATABASE_PROTOCOL *gHiiDatabase;
EFI_HII_STRING_PROTOCOL *gHiiString;
BOOLEAN gStartedInDxe;

struct Install {
  const EFI_GUID &Protocol;
  VOID *Interface;
};

static const Install kInstalls[] = {
    {kFrameworkHiiProtocolGuid, &gFrameworkHii},
    {kStringServiceProtocolGuid, &gStringService},
    {kBoardQueryProtocolGuid, &gBoardQuery},
    {kBoardRegisterProtocolGuid, &gBoardRegister},
    {kSetupCompanionProtocolGuid, &gCompanionControl},
    {kMessageBoxProtocolGuid, &gMessageBox},
};
constexpr UINTN kInstallCount = sizeof kInstalls / sizeof kInstalls[0];

// All or nothing: an image whose entry point fails is unloaded, so no interface
// inside it may stay installed.
static EFI_STATUS InstallAll() {
  EFI_HANDLE handles[kInstallCount] = {};
  for (UINTN index = 0; index < kInstallCount; index++) {
    const EFI_STATUS status = gBS->InstallProtocolInterface(&handles[index], (EFI_GUID *)&kInstalls[index].Protocol,
                                                            EFI_NATIVE_INTERFACE, kInstalls[index].Interface);
    if (EfiError(status)) {
      while (index-- > 0) {
        gBS->UninstallProtocolInterface(handles[index], (EFI_GUID *)&kInstalls[index].Protocol,
                                        kInstalls[index].Interface);
      }
      return status;
    }
  }
  return EFI_SUCCESS;
}

extern "C" EFI_STATUS EFIAPI CompanionEntry(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  CaptureServiceTables(ImageHandle, SystemTable);
  EFI_STATUS status = gBS->LocateProtocol((EFI_GUID *)&kEfiHiiDatabaseProtocolGuid, nullptr, (VOID **)&gHiiDatabase);
  if (EfiError(status)) {
    return status;
  }
  status = gBS->LocateProtocol((EFI_GUID *)&kEfiHiiStringProtocolGuid, nullptr, (VOID **)&gHiiString);
  if (EfiError(status)) {
    return status;
  }
  gStartedInDxe = SystemTable->ConOut == nullptr;
  if (!gStartedInDxe) {
    status = StoreMeDisableOutcome();
    return EfiError(status) ? status : InstallAll();
  }
  EFI_EVENT endOfDxe = nullptr;
  status = CreateEndOfDxeTrigger(&endOfDxe);
  if (EfiError(status)) {
    return status;
  }
  status = InstallAll();
  if (EfiError(status)) {
    gBS->CloseEvent(endOfDxe);
    return status;
  }
  LogActivity("companion-started-in-dxe", nullptr, nullptr, nullptr, 0);
  SerialMarker("setup-companion: started by the DXE dispatcher\r\n");
  return EFI_SUCCESS;
}
