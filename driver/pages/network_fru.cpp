#include "pages/page_providers.h"

VOID CombinedProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass) {
  SocketDetailsProvider(HiiHandle, FormClass);
  LowMemoryString(HiiHandle, FormClass);
  NetworkFruStrings(HiiHandle, FormClass);
}

EFI_STATUS NetworkFruStrings(EFI_HII_HANDLE, UINT16) { return EFI_SUCCESS; }
