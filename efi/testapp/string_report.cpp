#include "string_report.h"

#include "hii_protocols.h"
#include "json_writer.h"
#include "package_list_seeds.h"
#include "platform/firmware_services.h"

namespace {

constexpr CHAR8 kLanguage[] = "en-US";

// A displayed string holds at most 1023 characters; a longer one is read into pool.
CHAR16 gText[1024];

void WriteString(EFI_HII_STRING_PROTOCOL *Hii, UEFI_HII_HANDLE List, UINT16 Id) {
  CHAR16 *text = gText;
  UINTN size = sizeof gText;
  EFI_STATUS status = Hii->GetString(Hii, kLanguage, List, Id, text, &size, nullptr);
  if (status == EFI_BUFFER_TOO_SMALL) {
    text = (CHAR16 *)AllocateZeroedPool(size);
    status = text == nullptr ? EFI_OUT_OF_RESOURCES : Hii->GetString(Hii, kLanguage, List, Id, text, &size, nullptr);
  }
  JsonKeyNumber(Id);
  if (EfiError(status)) {
    JsonBeginObject();
    JsonKey("status");
    JsonNumber(status);
    JsonEndObject();
  } else {
    JsonWideText(text);
  }
  if (text != gText && text != nullptr) {
    gBS->FreePool(text);
  }
}

}  // namespace

void WriteStringReport(SetupCompanionProtocol *Companion) {
  EFI_HII_STRING_PROTOCOL *hii = nullptr;
  gBS->LocateProtocol((EFI_GUID *)&kEfiHiiStringProtocolGuid, nullptr, (VOID **)&hii);
  JsonKey("strings");
  JsonBeginObject();
  for (UINTN index = 0; index < kPackageListSeedCount; index++) {
    const PackageListSeed &seed = kPackageListSeeds[index];
    UEFI_HII_HANDLE list = nullptr;
    JsonKeyNumber(seed.FormClass);
    if (hii == nullptr || Companion == nullptr ||
        EfiError(Companion->FindPublishedList(seed.FormClass, &list, nullptr))) {
      JsonNull();
      continue;
    }
    JsonBeginObject();
    for (UINTN string = 0; string < seed.StringCount; string++) {
      WriteString(hii, list, seed.Strings[string].Id);
    }
    JsonEndObject();
  }
  JsonEndObject();
}
