#include "pages/firmware_identity.h"

#include "pages/page_providers.h"

void SetFirmwareIdentityStrings(EFI_HII_HANDLE) {}

VOID BoardVersionProvider(EFI_HII_HANDLE, UINT16) {}

VOID BiosAreaVersionProvider(EFI_HII_HANDLE, UINT16) {}
