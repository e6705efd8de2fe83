#include "pages/page_providers.h"

VOID UsbSummaryProvider(EFI_HII_HANDLE, UINT16) {}
