#include "pages/page_providers.h"

VOID MeInfoProvider(EFI_HII_HANDLE, UINT16) {}

EFI_STATUS MeUpdateFailCallback(EFI_HII_HANDLE, UINT16, UINT16, UINT16) { return EFI_SUCCESS; }
