#include "pages/page_providers.h"

VOID MemoryInfoProvider(EFI_HII_HANDLE, UINT16) {}

EFI_STATUS LowMemoryString(EFI_HII_HANDLE, UINT16) { return EFI_SUCCESS; }
