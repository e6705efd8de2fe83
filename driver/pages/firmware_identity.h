// The firmware identity strings of the main page (class 1).
#pragma once

#include "uefi/framework_hii.h"

// Vendor, firmware and project versions, build date, and the UEFI and PI
// revisions the firmware implements.
void SetFirmwareIdentityStrings(EFI_HII_HANDLE HiiHandle);
