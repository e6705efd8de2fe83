// The test application booted as \EFI\BOOT\BOOTX64.EFI: runs the companion board
// driver and the setup driver on real firmware, drives what the run asks for
// (the publishing trigger, form callbacks), and prints one JSON report of what the
// firmware then holds between marker lines on the serial port, the HII database
// exported onto the boot disk when asked; then, when asked, shows the published
// form sets to whoever drives the console. Powers off at the end.
#include "activity_report.h"
#include "boot_volume.h"
#include "browser_run.h"
#include "callback_runs.h"
#include "hii_export.h"
#include "image_start.h"
#include "json_writer.h"
#include "machine_report.h"
#include "platform/firmware_services.h"
#include "run_request.h"
#include "serial_console.h"
#include "string_report.h"
#include "variable_report.h"

namespace {

constexpr CHAR8 kBeginMarker[] = "\n==== setup-efi report begin ====\n";
constexpr CHAR8 kEndMarker[] = "\n==== setup-efi report end ====\n";

constexpr CHAR16 kRunFile[] = u"\\setup\\run.txt";
constexpr CHAR16 kCompanionFile[] = u"\\setup\\companion.efi";
constexpr CHAR16 kDriverFile[] = u"\\setup\\setup_driver.efi";

RunRequest ReadRunRequest() {
  RunRequest request = {};
  VOID *text = nullptr;
  UINTN size = 0;
  EFI_STATUS status = ReadBootFile(kRunFile, &text, &size);
  UINTN badLine = 0;
  if (!EfiError(status)) {
    status = ParseRunRequest((const CHAR8 *)text, size, &request, &badLine);
    gBS->FreePool(text);
  }
  JsonKey("run");
  JsonBeginObject();
  JsonKey("status");
  JsonNumber(status);
  if (badLine != 0) {
    JsonKey("bad_line");
    JsonNumber(badLine);
  }
  JsonKey("trigger");
  JsonBool(request.Trigger);
  JsonKey("dispatched");
  JsonBool(request.Dispatched);
  JsonEndObject();
  return request;
}

void WriteImageRun(const CHAR8 *Key, const ImageRun &Run) {
  JsonKey(Key);
  JsonBeginObject();
  JsonKey("read_status");
  JsonNumber(Run.ReadStatus);
  JsonKey("load_status");
  JsonNumber(Run.LoadStatus);
  JsonKey("started");
  JsonBool(Run.Started);
  JsonKey("entry_status");
  JsonNumber(Run.EntryStatus);
  JsonEndObject();
}

SetupCompanionProtocol *StartCompanion() {
  const ImageRun run = RunImageFile(kCompanionFile);
  WriteImageRun("companion", run);
  SetupCompanionProtocol *companion = nullptr;
  if (ImageResident(run)) {
    gBS->LocateProtocol((EFI_GUID *)&kSetupCompanionProtocolGuid, nullptr, (VOID **)&companion);
  }
  return companion;
}

// Dispatched from the firmware volume during DXE, the companion is found, not loaded.
SetupCompanionProtocol *FindDispatchedCompanion() {
  SetupCompanionProtocol *companion = nullptr;
  const EFI_STATUS status =
      gBS->LocateProtocol((EFI_GUID *)&kSetupCompanionProtocolGuid, nullptr, (VOID **)&companion);
  JsonKey("dispatched_companion_status");
  JsonNumber(status);
  return EfiError(status) ? nullptr : companion;
}

// The driver's trigger event and form callbacks live in its image: they are used
// only while the image stays loaded.
void RunSetupDriver(SetupCompanionProtocol *Companion, const RunRequest &Request) {
  const ImageRun run = RunImageFile(kDriverFile);
  WriteImageRun("driver", run);
  const BOOLEAN resident = ImageResident(run);
  JsonKey("trigger_status");
  if (Request.Trigger && resident) {
    JsonNumber(Companion->InstallPublishTrigger());
  } else {
    JsonNull();
  }
  RunFormCallbacks(resident ? Companion : nullptr, Request);
}

}  // namespace

extern "C" EFI_STATUS EFIAPI TestAppMain(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  CaptureServiceTables(ImageHandle, SystemTable);
  if (!SerialOpen()) {
    return EFI_NOT_FOUND;
  }
  SerialWriteText(kBeginMarker);
  JsonBeginObject();
  const RunRequest request = ReadRunRequest();
  WriteMachineReport();
  WriteVariableReport("variables_before");
  SetupCompanionProtocol *companion = request.Dispatched ? FindDispatchedCompanion() : StartCompanion();
  if (companion != nullptr && request.Dispatched) {
    RunFormCallbacks(companion, request);
  } else if (companion != nullptr) {
    RunSetupDriver(companion, request);
  }
  WriteStringReport(companion);
  WriteActivityReport(companion == nullptr ? nullptr : companion->FirstRecord());
  WriteVariableReport("variables");
  if (request.Export) {
    WriteHiiExport();
  }
  JsonEndObject();
  SerialWriteText(kEndMarker);
  SerialFlush();
  if (request.Browse && companion != nullptr) {
    BrowsePublishedForms(companion, request);
  }
  gRT->ResetSystem(EfiResetShutdown, EFI_SUCCESS, 0, nullptr);
  return EFI_SUCCESS;
}
