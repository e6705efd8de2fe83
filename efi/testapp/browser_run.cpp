#include "browser_run.h"

#include "activity_report.h"
#include "form_browser.h"
#include "json_writer.h"
#include "package_list_seeds.h"
#include "platform/firmware_services.h"
#include "serial_console.h"

namespace {

constexpr CHAR8 kBeginMarker[] = "\n==== setup-efi browser report begin ====\n";
constexpr CHAR8 kEndMarker[] = "\n==== setup-efi browser report end ====\n";

const CompanionRecord *LastRecord(SetupCompanionProtocol *Companion) {
  const CompanionRecord *last = Companion->FirstRecord();
  while (last != nullptr && last->Next != nullptr) {
    last = last->Next;
  }
  return last;
}

void AnnounceForm(UINT16 FormClass) {
  SerialWriteText("\n==== setup-efi browse ");
  JsonNumber(FormClass);  // outside any JSON value: just the digits
  SerialWriteText(" ====\n");
  SerialFlush();
}

struct FormRun {
  UINT16 FormClass;
  EFI_STATUS Status;
  UINTN ActionRequest;
};

}  // namespace

void BrowsePublishedForms(SetupCompanionProtocol *Companion, const RunRequest &Request) {
  EFI_FORM_BROWSER2_PROTOCOL *browser = nullptr;
  const EFI_STATUS located =
      gBS->LocateProtocol((EFI_GUID *)&kEfiFormBrowser2ProtocolGuid, nullptr, (VOID **)&browser);
  // The browser waits for keys as long as it takes; the boot's watchdog must not end it.
  gBS->SetWatchdogTimer(0, 0, 0, nullptr);
  const CompanionRecord *before = LastRecord(Companion);
  FormRun runs[16] = {};
  const UINTN capacity = sizeof runs / sizeof runs[0];
  UINTN runCount = 0;
  for (UINTN index = 0; !EfiError(located) && index < kPackageListSeedCount && runCount < capacity; index++) {
    const PackageListSeed &seed = kPackageListSeeds[index];
    UEFI_HII_HANDLE handle = nullptr;
    if (seed.FormPackage == nullptr || !BrowsesClass(Request, seed.FormClass) ||
        EfiError(Companion->FindPublishedList(seed.FormClass, &handle, nullptr))) {
      continue;
    }
    AnnounceForm(seed.FormClass);
    FormRun &run = runs[runCount++];
    run.FormClass = seed.FormClass;
    run.Status = browser->SendForm(browser, &handle, 1, nullptr, 0, nullptr, &run.ActionRequest);
  }
  SerialWriteText(kBeginMarker);
  JsonBeginObject();
  JsonKey("browser_status");
  JsonNumber(located);
  JsonKey("forms");
  JsonBeginArray();
  for (UINTN index = 0; index < runCount; index++) {
    JsonBeginObject();
    JsonKey("class");
    JsonNumber(runs[index].FormClass);
    JsonKey("status");
    JsonNumber(runs[index].Status);
    JsonKey("action_request");
    JsonNumber(runs[index].ActionRequest);
    JsonEndObject();
  }
  JsonEndArray();
  WriteActivityReport(before == nullptr ? Companion->FirstRecord() : before->Next);
  JsonEndObject();
  SerialWriteText(kEndMarker);
  SerialFlush();
}
