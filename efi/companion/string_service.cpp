// StringServiceProtocol over the firmware's HII database: each setup package list
// becomes a real package list (its forms and strings) registered for a handle of its
// own that carries the list's form callback instance and what the form browser
// needs; strings change through EFI_HII_STRING_PROTOCOL.
#include "activity_log.h"
#include "companion_services.h"
#include "list_handle.h"
#include "platform/firmware_services.h"
#include "published_lists.h"
#include "string_package.h"

static void LogList(const CHAR8 *Kind, UINT16 FormClass, EFI_HII_HANDLE Handle) {
  const CompanionValue values[] = {{"class", FormClass}, {"handle", Handle}};
  LogActivity(Kind, nullptr, nullptr, values, 2);
}

// Registers the seed's list in the real database. Each list gets its own driver
// handle: the database refuses two lists with the same GUID for one handle, and
// every setup list carries the Setup GUID.
static EFI_STATUS RegisterList(const SetupPackageEntry &Entry, const PackageListSeed *Seed, PublishedList **Out) {
  PublishedList *list = AddPublishedList(Seed, Entry.CallbackInstance);
  if (list == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  EFI_STATUS status = InstallListInterfaces(list);
  if (!EfiError(status)) {
    static const EFI_GUID kNoGuid = {};
    EFI_HII_PACKAGE_LIST_HEADER *packages = BuildPackageList(Seed, Entry.Guid != nullptr ? Entry.Guid : &kNoGuid);
    status = packages == nullptr
                 ? EFI_OUT_OF_RESOURCES
                 : gHiiDatabase->NewPackageList(gHiiDatabase, packages, list->DriverHandle, &list->HiiHandle);
    if (packages != nullptr) {
      gBS->FreePool(packages);
    }
    if (!EfiError(status)) {
      *Out = list;
      return EFI_SUCCESS;
    }
    UninstallListInterfaces(list);
  }
  ForgetPublishedList(list);
  return status;
}

static EFI_STATUS EFIAPI PublishPackageLists(EFI_HANDLE, UINTN Count, SetupPackageEntry *Table,
                                             PACKAGE_LIST_CALLBACK Callback) {
  if (Table == nullptr && Count != 0) {
    return EFI_INVALID_PARAMETER;
  }
  for (UINTN index = 0; index < Count; index++) {
    SetupPackageEntry &entry = Table[index];
    const PackageListSeed *seed = FindPackageListSeed(entry.Class);
    if (seed == nullptr) {
      continue;  // the board has no package list of that class
    }
    PublishedList *list = nullptr;
    const EFI_STATUS status = RegisterList(entry, seed, &list);
    if (EfiError(status)) {
      return status;
    }
    entry.HiiHandle = list->Handle;
    LogList("package-list-published", entry.Class, list->Handle);
    if (Callback != nullptr) {
      Callback(list->Handle, &entry);
      LogList("package-list-callback-returned", entry.Class, list->Handle);
    }
  }
  return EFI_SUCCESS;
}

static EFI_STATUS Rejected(const PublishedList *List, EFI_HII_HANDLE Handle, UINT16 StringId, const CHAR8 *Why,
                           EFI_STATUS Status) {
  const CompanionValue values[] = {{"class", List == nullptr ? 0u : (UINT64)List->Seed->FormClass},
                                   {"handle", Handle},
                                   {"stringId", StringId},
                                   {"status", Status}};
  LogActivity("string-rejected", Why, nullptr, values, 4);
  return Status;
}

static EFI_STATUS EFIAPI SetString(EFI_HII_HANDLE Handle, UINT16 StringId, const CHAR16 *Text) {
  const PublishedList *list = FindPublishedHandle(Handle);
  if (list == nullptr) {
    return Rejected(list, Handle, StringId, "unknown handle", EFI_INVALID_PARAMETER);
  }
  if (Text == nullptr) {
    return Rejected(list, Handle, StringId, "null text", EFI_INVALID_PARAMETER);
  }
  if (!SeedHasString(list->Seed, StringId)) {
    return Rejected(list, Handle, StringId, "no such string id", EFI_NOT_FOUND);
  }
  const EFI_STATUS status = gHiiString->SetString(gHiiString, list->HiiHandle, StringId, kPackageLanguage, Text, nullptr);
  if (EfiError(status)) {
    return Rejected(list, Handle, StringId, "refused by the HII database", status);
  }
  const CompanionValue values[] = {{"class", list->Seed->FormClass}, {"id", StringId}};
  LogActivity("string-written", nullptr, Text, values, 2);
  return EFI_SUCCESS;
}

static constexpr CHAR8 kReserved1[] = "StringService.Reserved1";
static constexpr CHAR8 kReserved2[] = "StringService.Reserved2";
static constexpr CHAR8 kReserved3[] = "StringService.Reserved3";
static constexpr CHAR8 kReserved4[] = "StringService.Reserved4";
static constexpr CHAR8 kReserved5[] = "StringService.Reserved5";

StringServiceProtocol gStringService = {
    PublishPackageLists,         UnexpectedCall<kReserved1>, UnexpectedCall<kReserved2>, UnexpectedCall<kReserved3>,
    UnexpectedCall<kReserved4>, UnexpectedCall<kReserved5>, SetString,
};
