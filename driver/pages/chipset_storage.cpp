#include "pages/page_providers.h"

VOID ChipsetStorageProvider(EFI_HII_HANDLE, UINT16) {}
