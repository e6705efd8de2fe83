// The firmware identity strings of the main page (class 1).
#pragma once

#include "uefi/framework_hii.h"

void SetFirmwareIdentityStrings(EFI_HII_HANDLE HiiHandle);
