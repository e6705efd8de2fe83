// The page string providers run for every published package list, in the order
// of StringInitTable. Each provider tests FormClass itself and returns at once
// for the classes it does not serve.
#pragma once

#include "uefi/framework_hii.h"

typedef VOID (*PageStringProvider)(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);

constexpr UINTN kPageStringProviderCount = 14;
// The providers in calling order, ended by a null entry.
extern const PageStringProvider StringInitTable[kPageStringProviderCount + 1];

void RunPageStringProviders(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);

// Holds the table's spare places (entries 8, 9, 12 and 13).
VOID EmptyPageProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass);
