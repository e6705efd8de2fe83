#include "core/string_service.h"

#include <stdarg.h>

#include "core/firmware_calls.h"
#include "format/format.h"

namespace {

StringServiceProtocol *gStringService;

}  // namespace

StringServiceProtocol *LocateStringService() {
  if (gStringService == nullptr) {
    LocateInterface(&kStringServiceProtocolGuid, reinterpret_cast<VOID **>(&gStringService));
  }
  return gStringService;
}

EFI_STATUS PublishPackageLists(EFI_HANDLE ImageHandle, UINTN Count, SetupPackageEntry *Table,
                               PACKAGE_LIST_CALLBACK Callback) {
  StringServiceProtocol *Service = LocateStringService();
  if (Service == nullptr) {
    return EFI_UNSUPPORTED;
  }
  return Service->PublishPackageLists(ImageHandle, Count, Table, Callback);
}

EFI_STATUS SetString(EFI_HII_HANDLE HiiHandle, UINT16 StringId, const CHAR16 *Text) {
  StringServiceProtocol *Service = LocateStringService();
  if (Service == nullptr) {
    return EFI_UNSUPPORTED;
  }
  return Service->SetString(HiiHandle, StringId, Text);
}

EFI_STATUS SetPageString(EFI_HII_HANDLE HiiHandle, UINT16 StringId, const CHAR16 *Format, ...) {
  CHAR16 Text[kPageStringCapacity];
  va_list Args;
  va_start(Args, Format);
  INT64 Length = FormatWideV(Text, kPageStringCapacity, Format, Args);
  va_end(Args);
  if (Length < 0) {
    return EFI_INVALID_PARAMETER;  // a null format renders nothing to store
  }
  return SetString(HiiHandle, StringId, Text);
}
