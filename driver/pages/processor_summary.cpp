#include "pages/page_providers.h"

VOID CpuSummaryProvider(EFI_HII_HANDLE, UINT16) {}
