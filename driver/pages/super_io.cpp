#include "pages/page_providers.h"

VOID SioResourceProvider(EFI_HII_HANDLE, UINT16) {}
