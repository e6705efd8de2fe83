// Whole files on the FAT volume the test application was loaded from.
#pragma once

#include "uefi/uefi_base.h"

// On success *Data is a pool buffer of *Size bytes plus one zero byte (so a text
// file ends in a terminator); the caller releases it with FreePool.
EFI_STATUS ReadBootFile(const CHAR16 *Path, VOID **Data, UINTN *Size);
// Writes Size bytes as the whole file at Path, replacing one that is there.
EFI_STATUS WriteBootFile(const CHAR16 *Path, const VOID *Data, UINTN Size);
