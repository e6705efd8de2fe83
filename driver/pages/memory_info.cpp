#include "pages/page_providers.h"

VOID MemoryInfoProvider(EFI_HII_HANDLE, UINT16) {}
