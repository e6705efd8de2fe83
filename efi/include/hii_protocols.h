// The UEFI HII database and string protocols: registering, removing and
// exporting package lists, and reading and replacing their strings.
#pragma once

#include "hii_packages.h"

constexpr EFI_GUID kEfiHiiDatabaseProtocolGuid = {
    0xEF9FC172, 0xA1B2, 0x4693, {0xB3, 0x27, 0x6D, 0x32, 0xFC, 0x41, 0x60, 0x42}};
constexpr EFI_GUID kEfiHiiStringProtocolGuid = {
    0x0FD96974, 0x23AA, 0x4CDC, {0xB9, 0xCB, 0x98, 0xD1, 0x77, 0x50, 0x32, 0x2A}};

typedef EFI_STATUS(EFIAPI *HII_UNUSED_MEMBER)();

struct EFI_HII_DATABASE_PROTOCOL {
  EFI_STATUS(EFIAPI *NewPackageList)(EFI_HII_DATABASE_PROTOCOL *This, const EFI_HII_PACKAGE_LIST_HEADER *PackageList,
                                     EFI_HANDLE DriverHandle, UEFI_HII_HANDLE *Handle);
  EFI_STATUS(EFIAPI *RemovePackageList)(EFI_HII_DATABASE_PROTOCOL *This, UEFI_HII_HANDLE Handle);
  HII_UNUSED_MEMBER UpdatePackageList;
  HII_UNUSED_MEMBER ListPackageLists;
  // A null Handle exports every list; EFI_BUFFER_TOO_SMALL gives the size needed in *BufferSize.
  EFI_STATUS(EFIAPI *ExportPackageLists)(const EFI_HII_DATABASE_PROTOCOL *This, UEFI_HII_HANDLE Handle,
                                         UINTN *BufferSize, EFI_HII_PACKAGE_LIST_HEADER *Buffer);
  HII_UNUSED_MEMBER RegisterPackageNotify;
  HII_UNUSED_MEMBER UnregisterPackageNotify;
  HII_UNUSED_MEMBER FindKeyboardLayouts;
  HII_UNUSED_MEMBER GetKeyboardLayout;
  HII_UNUSED_MEMBER SetKeyboardLayout;
  HII_UNUSED_MEMBER GetPackageListHandle;
};
static_assert(sizeof(EFI_HII_DATABASE_PROTOCOL) == 11 * 8, "HII database protocol has 11 members");

struct EFI_FONT_INFO;

struct EFI_HII_STRING_PROTOCOL {
  HII_UNUSED_MEMBER NewString;
  EFI_STATUS(EFIAPI *GetString)(const EFI_HII_STRING_PROTOCOL *This, const CHAR8 *Language,
                                UEFI_HII_HANDLE PackageList, EFI_STRING_ID StringId, CHAR16 *String,
                                UINTN *StringSize, EFI_FONT_INFO **StringFontInfo);
  EFI_STATUS(EFIAPI *SetString)(const EFI_HII_STRING_PROTOCOL *This, UEFI_HII_HANDLE PackageList,
                                EFI_STRING_ID StringId, const CHAR8 *Language, const CHAR16 *String,
                                const EFI_FONT_INFO *StringFontInfo);
  HII_UNUSED_MEMBER GetLanguages;
  HII_UNUSED_MEMBER GetSecondaryLanguages;
};
static_assert(sizeof(EFI_HII_STRING_PROTOCOL) == 5 * 8, "HII string protocol has 5 members");
