// The companion board driver's pieces: the firmware's HII protocols it works over,
// and the protocol tables it installs for the setup driver and the test application.
#pragma once

#include "hii_protocols.h"
#include "pages/management_engine_protocols.h"
#include "setup_companion_protocol.h"
#include "uefi/framework_hii.h"
#include "uefi/setup_platform_protocols.h"

// Located by the entry point before anything is installed.
extern EFI_HII_DATABASE_PROTOCOL *gHiiDatabase;
extern EFI_HII_STRING_PROTOCOL *gHiiString;

extern StringServiceProtocol gStringService;
extern EFI_HII_PROTOCOL gFrameworkHii;
extern BoardQueryProtocol gBoardQuery;
extern BoardRegisterProtocol gBoardRegister;
extern SetupCompanionProtocol gCompanionControl;
extern MessageBoxProtocol gMessageBox;

// Started by the DXE dispatcher (no console yet) rather than by the test application
// after the boot manager: only then does the companion write marker lines to the serial
// port and install the publishing trigger itself, at EndOfDxe.
extern BOOLEAN gStartedInDxe;
void SerialMarker(const CHAR8 *Line);
// Creates the EndOfDxe event that installs the publishing trigger (board_trigger.cpp).
EFI_STATUS CreateEndOfDxeTrigger(EFI_EVENT *Event);

// A table member the setup driver is not expected to call: records the call as
// "unexpected-service-call" naming the member, and fails it.
template <const CHAR8 *Member>
EFI_STATUS EFIAPI UnexpectedCall();
void LogUnexpectedCall(const CHAR8 *Member);

template <const CHAR8 *Member>
EFI_STATUS EFIAPI UnexpectedCall() {
  LogUnexpectedCall(Member);
  return EFI_UNSUPPORTED;
}
