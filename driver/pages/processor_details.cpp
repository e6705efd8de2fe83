#include "pages/page_providers.h"

EFI_STATUS SocketDetailsProvider(EFI_HII_HANDLE, UINT16) { return EFI_SUCCESS; }
