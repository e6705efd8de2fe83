// The Framework form callback protocol's GUID. Its layout, EFI_FORM_CALLBACK_PROTOCOL,
// is in uefi/framework_hii.h; the setup driver never looks the protocol up itself,
// the board's string service installs each list's instance under this GUID.
#pragma once

#include "uefi/uefi_base.h"

constexpr EFI_GUID kFrameworkFormCallbackProtocolGuid = {
    0xF3E4543D, 0xCF35, 0x6CEF, {0x35, 0xC4, 0x4F, 0xE6, 0x34, 0x4D, 0xFC, 0x54}};
