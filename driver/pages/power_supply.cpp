#include "pages/page_providers.h"

VOID PowerSupplyProvider(EFI_HII_HANDLE, UINT16) {}
