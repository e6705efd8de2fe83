#include "pages/page_providers.h"

VOID CombinedProvider(EFI_HII_HANDLE, UINT16) {}
