// The string service's table of published package lists: the Framework's 16-bit
// handle the setup driver holds, the list's handle in the real HII database, the
// handle that carries its form callback instance, and the list's seed.
#pragma once

#include "hii_packages.h"
#include "package_list_seeds.h"
#include "uefi/setup_platform_protocols.h"

struct PublishedList {
  EFI_HII_HANDLE Handle;  // 0: the slot is free
  UEFI_HII_HANDLE HiiHandle;
  EFI_HANDLE DriverHandle;
  const PackageListSeed *Seed;
  FormCallbackInstance *Callback;
};

// Takes a free slot under a new handle (1, 2, 3, ... never reused within a boot);
// null when the table is full or the handles are used up.
PublishedList *AddPublishedList(UEFI_HII_HANDLE HiiHandle, EFI_HANDLE DriverHandle, const PackageListSeed *Seed,
                                FormCallbackInstance *Callback);
// Null for 0 and for handles not (or no longer) published.
PublishedList *FindPublishedHandle(EFI_HII_HANDLE Handle);
// The earliest published list of that class still registered, or null.
PublishedList *FindPublishedClass(UINT16 FormClass);
void ForgetPublishedList(PublishedList *List);
