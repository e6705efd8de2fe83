#include "hii_export.h"

#include "boot_volume.h"
#include "hii_protocols.h"
#include "json_writer.h"
#include "platform/firmware_services.h"

namespace {

constexpr CHAR16 kExportFile[] = u"\\setup\\hii.bin";

// The database may grow between asking its size and exporting (a driver adding
// a list): ask again, a few times.
EFI_STATUS Export(EFI_HII_DATABASE_PROTOCOL *Database, VOID **Buffer, UINTN *Size) {
  EFI_STATUS status = EFI_BUFFER_TOO_SMALL;
  *Size = 0;
  *Buffer = nullptr;
  for (int attempt = 0; attempt < 4 && status == EFI_BUFFER_TOO_SMALL; attempt++) {
    if (*Buffer != nullptr) {
      gBS->FreePool(*Buffer);
      *Buffer = nullptr;
    }
    if (*Size != 0 && (*Buffer = AllocateZeroedPool(*Size)) == nullptr) {
      return EFI_OUT_OF_RESOURCES;
    }
    status = Database->ExportPackageLists(Database, nullptr, Size, (EFI_HII_PACKAGE_LIST_HEADER *)*Buffer);
  }
  return status;
}

}  // namespace

void WriteHiiExport() {
  EFI_HII_DATABASE_PROTOCOL *database = nullptr;
  EFI_STATUS status = gBS->LocateProtocol((EFI_GUID *)&kEfiHiiDatabaseProtocolGuid, nullptr, (VOID **)&database);
  VOID *buffer = nullptr;
  UINTN size = 0;
  if (!EfiError(status)) {
    status = Export(database, &buffer, &size);
  }
  JsonKey("hii_export");
  JsonBeginObject();
  JsonKey("status");
  JsonNumber(status);
  JsonKey("size");
  JsonNumber(EfiError(status) ? 0 : size);
  JsonKey("write_status");
  if (EfiError(status)) {
    JsonNull();
  } else {
    JsonNumber(WriteBootFile(kExportFile, buffer, size));
  }
  JsonEndObject();
  if (buffer != nullptr) {
    gBS->FreePool(buffer);
  }
}
