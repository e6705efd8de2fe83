// The page string providers and item callbacks that the core's tables point to
// (StringInitTable, FormCallbackTable); each is defined in its page's source.
#pragma once

#include "uefi/framework_hii.h"

// Page string providers, in StringInitTable order.
VOID BoardVersionProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);     // firmware_identity.cpp
VOID SioResourceProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);      // super_io.cpp
VOID CpuSummaryProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);       // processor_summary.cpp
VOID ChipsetStorageProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);   // chipset_storage.cpp
VOID MemoryInfoProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);       // memory_info.cpp
VOID BiosAreaVersionProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);  // firmware_identity.cpp
VOID UsbSummaryProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);       // usb_summary.cpp
VOID MeInfoProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);           // management_engine.cpp
VOID PowerSupplyProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);      // power_supply.cpp
// Per-socket processor details, memory totals, then network and FRU strings.
VOID CombinedProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);         // network_fru.cpp

// The combined provider's steps, for every list; their results are not examined.
EFI_STATUS SocketDetailsProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);  // processor_details.cpp
EFI_STATUS LowMemoryString(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);        // memory_info.cpp
EFI_STATUS NetworkFruStrings(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);      // network_fru.cpp

// Item callbacks; their results are not examined.
EFI_STATUS HardwareMonitorRefresh(EFI_HII_HANDLE HiiHandle, UINT16 Class, UINT16 SubClass,
                                  UINT16 Key);  // hardware_monitor.cpp
EFI_STATUS MeUpdateFailCallback(EFI_HII_HANDLE HiiHandle, UINT16 Class, UINT16 SubClass,
                                UINT16 Key);    // management_engine.cpp
