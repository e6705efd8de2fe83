// The calls into StringServiceProtocol, the firmware component through which the
// driver publishes its package lists and replaces their strings, and
// SetPageString, the one way every page stores a displayed string.
#pragma once

#include "uefi/setup_platform_protocols.h"

// The protocol, or null while it is not installed; every call with no cached
// pointer looks it up again.
StringServiceProtocol *LocateStringService();

// Both return EFI_UNSUPPORTED without calling anything while the service is absent.
EFI_STATUS PublishPackageLists(EFI_HANDLE ImageHandle, UINTN Count, SetupPackageEntry *Table,
                               PACKAGE_LIST_CALLBACK Callback);
EFI_STATUS SetString(EFI_HII_HANDLE HiiHandle, UINT16 StringId, const CHAR16 *Text);

// A displayed string holds at most this many characters, the terminator included.
constexpr UINTN kPageStringCapacity = 1024;

// Renders Format with FormatWideV (longer texts are cut to fit the capacity) and
// stores the text as string StringId of the package list HiiHandle.
EFI_STATUS SetPageString(EFI_HII_HANDLE HiiHandle, UINT16 StringId, const CHAR16 *Format, ...);
