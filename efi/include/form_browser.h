// EFI_FORM_BROWSER2_PROTOCOL: shows registered form sets to the user.
#pragma once

#include "hii_packages.h"

constexpr EFI_GUID kEfiFormBrowser2ProtocolGuid = {
    0xB9D4C360, 0xBCFB, 0x4F9B, {0x92, 0x98, 0x53, 0xC1, 0x36, 0x98, 0x22, 0x58}};

struct EFI_FORM_BROWSER2_PROTOCOL {
  // A null FormSetGuid shows the first form set of the platform-setup class; FormId
  // 0 its first form; null ScreenDimensions the whole screen.
  EFI_STATUS(EFIAPI *SendForm)(const EFI_FORM_BROWSER2_PROTOCOL *This, UEFI_HII_HANDLE *Handles, UINTN HandleCount,
                               EFI_GUID *FormSetGuid, UINT16 FormId, const VOID *ScreenDimensions,
                               UINTN *ActionRequest);
  EFI_STATUS(EFIAPI *BrowserCallback)();
};
