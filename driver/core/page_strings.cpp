#include "core/page_strings.h"

#include "pages/page_providers.h"

const PageStringProvider StringInitTable[kPageStringProviderCount + 1] = {
    BoardVersionProvider,
    SioResourceProvider,
    CpuSummaryProvider,
    ChipsetStorageProvider,
    MemoryInfoProvider,
    BiosAreaVersionProvider,
    UsbSummaryProvider,
    EmptyPageProvider,
    EmptyPageProvider,
    MeInfoProvider,
    PowerSupplyProvider,
    EmptyPageProvider,
    EmptyPageProvider,
    CombinedProvider,
    nullptr,
};

void RunPageStringProviders(EFI_HII_HANDLE HiiHandle, UINT16 FormClass) {
  for (const PageStringProvider *Provider = StringInitTable; *Provider != nullptr; ++Provider) {
    (*Provider)(HiiHandle, FormClass);
  }
}

VOID EmptyPageProvider(EFI_HII_HANDLE, UINT16) {}
