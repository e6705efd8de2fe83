// The form callback the menu browser calls when the user acts on an interactive
// item, and its dispatch by (class, subclass, key) to an item callback.
#pragma once

#include "core/setup_module.h"

typedef EFI_STATUS (*ItemCallback)(EFI_HII_HANDLE HiiHandle, UINT16 Class, UINT16 SubClass, UINT16 Key);

struct FormCallbackRecord {
  UINT16 Class;
  UINT16 SubClass;
  UINT16 Key;
  ItemCallback Callback;
};

constexpr UINTN kFormCallbackCount = 2;
// Ended by a record whose callback is null.
extern const FormCallbackRecord FormCallbackTable[kFormCallbackCount + 1];

// One per package list, in the order of SetupPackageTable; the string service
// makes each the form callback of its list.
extern FormCallbackInstance FormCallbackInstances[kSetupPackageCount];

EFI_STATUS EFIAPI SetupFormCallback(EFI_FORM_CALLBACK_PROTOCOL *This, UINT16 KeyValue, EFI_IFR_DATA_ARRAY *Data,
                                    EFI_HII_CALLBACK_PACKET **Packet);
