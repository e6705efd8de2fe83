// The management engine lines (classes 64 and 2): the ME firmware version and
// three status bytes, and the ME update item (class 32, key 0xF013), which asks
// system management mode to disable the ME and shows the outcome in a box.
#include "core/firmware_calls.h"
#include "core/string_service.h"
#include "pages/management_engine_protocols.h"
#include "pages/page_providers.h"
#include "platform/hardware_access.h"

namespace {

constexpr UINT16 kServerManagementClass = 64;
constexpr UINT16 kAdvancedClass = 2;
constexpr UINT16 kVersionStringId = 1344;

// Status bytes of the firmware status answer, each shown as two hex digits.
const struct {
  UINT8 Offset;
  UINT16 StringId;
} kStatusBytes[] = {{8, 1657}, {7, 1660}, {6, 1663}};

}  // namespace

VOID MeInfoProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass) {
  if (FormClass != kServerManagementClass && FormClass != kAdvancedClass) {
    return;
  }
  MeInfoProtocol *Me = nullptr;
  if (!LocateInterface(&kMeInfoProtocolGuid, reinterpret_cast<VOID **>(&Me)) || Me->Requests == nullptr) {
    return;
  }
  MeRequestObject *Requests = Me->Requests;
  // Cleared, so an answer shorter than the buffer never shows stale stack bytes.
  UINT16 Version[kMeResultSize / sizeof(UINT16)];
  MemFill(Version, sizeof(Version), 0);
  if (!EfiError(Requests->Request(Requests, kMeFirmwareVersionRequest, Version))) {
    // Major, minor, build, hot fix.
    SetPageString(HiiHandle, kVersionStringId, u"%d.%d.%d.%d", Version[1], Version[0], Version[3], Version[2]);
  }
  UINT8 Status[kMeResultSize];
  MemFill(Status, sizeof(Status), 0);
  if (EfiError(Requests->Request(Requests, kMeFirmwareStatusRequest, Status))) {
    return;
  }
  for (const auto &Byte : kStatusBytes) {
    SetPageString(HiiHandle, Byte.StringId, u"%02X", Status[Byte.Offset]);
  }
}

EFI_STATUS MeUpdateFailCallback(EFI_HII_HANDLE, UINT16, UINT16, UINT16) {
  PortWrite8(kSoftwareSmiPort, kMeDisableSmiCommand);
  UINT8 Outcome = 0;
  UINTN Size = sizeof(Outcome);
  if (EfiError(ReadVariable(u"ShowMEUDFailMSG", &kMeUpdateStatusGuid, &Size, &Outcome)) || Size != sizeof(Outcome)) {
    return EFI_SUCCESS;
  }
  const CHAR16 *Message = Outcome == 0 ? u"ME been Disabled !! Please reboot your system !!" : u"Disable ME fail !!";
  MessageBoxProtocol *Box = nullptr;
  if (!LocateInterface(&kMessageBoxProtocolGuid, reinterpret_cast<VOID **>(&Box))) {
    return EFI_SUCCESS;
  }
  UINT8 Result = 0;
  Box->MessageBox(u"ME Update Info", Message, 0, &Result);
  return EFI_SUCCESS;
}
