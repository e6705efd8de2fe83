// The string service's table of published package lists: the Framework's 16-bit
// handle the setup driver holds, the list's handle in the real HII database, the
// handle that carries its form callback instance, and the list's seed.
#pragma once

#include "hii_config_access.h"
#include "hii_packages.h"
#include "package_list_seeds.h"
#include "uefi/setup_platform_protocols.h"

struct PublishedList {
  EFI_HII_HANDLE Handle;  // 0: the slot is free
  UEFI_HII_HANDLE HiiHandle;
  EFI_HANDLE DriverHandle;
  const PackageListSeed *Seed;
  FormCallbackInstance *Callback;
  // Installed on DriverHandle for the form browser; they live here, so each list's
  // interfaces stay put for as long as the list is published.
  EFI_HII_CONFIG_ACCESS_PROTOCOL ConfigAccess;
  ListDevicePath DevicePath;
};

// Takes a free slot under a new handle (1, 2, 3, ... never reused within a boot);
// the caller fills in the database and driver handles. Null when the table is full
// or the handles are used up.
PublishedList *AddPublishedList(const PackageListSeed *Seed, FormCallbackInstance *Callback);
// Null for 0 and for handles not (or no longer) published.
PublishedList *FindPublishedHandle(EFI_HII_HANDLE Handle);
// The earliest published list of that class still registered, or null.
PublishedList *FindPublishedClass(UINT16 FormClass);
// The list whose ConfigAccess interface that is, or null.
PublishedList *FindPublishedAccess(const EFI_HII_CONFIG_ACCESS_PROTOCOL *ConfigAccess);
void ForgetPublishedList(PublishedList *List);
