// Where the board's own publishing trigger arrives when the firmware dispatches the
// companion from its volume: at EndOfDxe. By then the dispatcher has run every DXE
// driver, so each page's provider finds its protocols, and the platform's boot
// manager signals it before it connects consoles or starts any setup browser, which
// must find the strings published. Loaded by the test application after BDS, the
// companion never sees EndOfDxe and the application installs the trigger itself.
//
// Each moment is also a line on the first serial port: during DXE the firmware has
// no console, so the port is written directly.
#include "activity_log.h"
#include "companion_services.h"
#include "message_box.h"
#include "platform/firmware_services.h"
#include "platform/hardware_access.h"

static constexpr EFI_GUID kEndOfDxeEventGroupGuid = {
    0x02CE967A, 0xDD7E, 0x4FFC, {0x9E, 0xE7, 0x81, 0x0C, 0xF0, 0x47, 0x08, 0x80}};

static constexpr UINT16 kSerialData = 0x3F8;
static constexpr UINT16 kSerialLineStatus = 0x3FD;
static constexpr UINT8 kTransmitterEmpty = 0x20;
// A port that never drains must not hang the boot.
static constexpr UINTN kSerialPolls = 100000;

void SerialMarker(const CHAR8 *Line) {
  for (const CHAR8 *at = Line; *at != 0; at++) {
    for (UINTN poll = 0; poll < kSerialPolls && !(PortRead8(kSerialLineStatus) & kTransmitterEmpty); poll++) {
    }
    PortWrite8(kSerialData, (UINT8)*at);
  }
}

static VOID EFIAPI AtEndOfDxe(EFI_EVENT Event, VOID *) {
  gBS->CloseEvent(Event);
  LogActivity("end-of-dxe", nullptr, nullptr, nullptr, 0);
  SerialMarker("setup-companion: EndOfDxe: installing the publish trigger\r\n");
  // Variables can be written only once the dispatcher has run the variable drivers.
  StoreMeDisableOutcome();
  const EFI_STATUS status = gCompanionControl.InstallPublishTrigger();
  SerialMarker(EfiError(status) ? "setup-companion: publish trigger failed\r\n"
                                : "setup-companion: publish trigger installed\r\n");
}

EFI_STATUS CreateEndOfDxeTrigger(EFI_EVENT *Event) {
  return gBS->CreateEventEx(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, AtEndOfDxe, nullptr, &kEndOfDxeEventGroupGuid, Event);
}
