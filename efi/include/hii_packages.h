// UEFI HII package formats as far as a string package list is built: the package
// list header, the package header, the string package header and the string
// blocks. Everything is byte-packed; strings inside blocks may sit at odd addresses.
#pragma once

#include "uefi/uefi_base.h"

// UEFI's own HII handle is a pointer; the Framework's 16-bit EFI_HII_HANDLE
// (uefi/framework_hii.h) keeps the plain name, so this one is spelled apart.
typedef VOID *UEFI_HII_HANDLE;
typedef UINT16 EFI_STRING_ID;

#pragma pack(push, 1)
struct EFI_HII_PACKAGE_LIST_HEADER {
  EFI_GUID PackageListGuid;
  UINT32 PackageLength;  // the whole list, this header included
};

// Length (24 bits, the package with its header) and Type (8 bits) in one dword.
struct EFI_HII_PACKAGE_HEADER {
  UINT32 LengthAndType;
};

struct EFI_HII_STRING_PACKAGE_HDR {
  EFI_HII_PACKAGE_HEADER Header;
  UINT32 HdrSize;           // this header with its language tag
  UINT32 StringInfoOffset;  // where the string blocks start, from the package start
  CHAR16 LanguageWindow[16];
  EFI_STRING_ID LanguageName;
  // CHAR8 Language[]: the RFC 4646 tag, zero-terminated, follows.
};
#pragma pack(pop)
static_assert(sizeof(EFI_HII_PACKAGE_LIST_HEADER) == 20, "package list header layout");
static_assert(sizeof(EFI_HII_STRING_PACKAGE_HDR) == 46, "string package header layout");

constexpr UINT8 EFI_HII_PACKAGE_STRINGS = 0x04;
constexpr UINT8 EFI_HII_PACKAGE_END = 0xDF;

// String block types: one UCS-2 string (zero-terminated text follows), end of blocks.
constexpr UINT8 EFI_HII_SIBT_STRING_UCS2 = 0x14;
constexpr UINT8 EFI_HII_SIBT_END = 0x00;

constexpr UINT32 HiiPackageHeader(UINT32 Length, UINT8 Type) { return (Length & 0xFFFFFF) | (UINT32)Type << 24; }
