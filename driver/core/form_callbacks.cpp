#include "core/form_callbacks.h"

#include "pages/page_providers.h"

const FormCallbackRecord FormCallbackTable[kFormCallbackCount + 1] = {
    {2, 0, 0x003B, HardwareMonitorRefresh},
    {32, 0, 0xF013, MeUpdateFailCallback},
    {0, 0, 0, nullptr},
};

FormCallbackInstance FormCallbackInstances[kSetupPackageCount] = {
    {{nullptr, nullptr, SetupFormCallback}, 1, 0},  {{nullptr, nullptr, SetupFormCallback}, 2, 0},
    {{nullptr, nullptr, SetupFormCallback}, 4, 0},  {{nullptr, nullptr, SetupFormCallback}, 8, 0},
    {{nullptr, nullptr, SetupFormCallback}, 16, 0}, {{nullptr, nullptr, SetupFormCallback}, 32, 0},
    {{nullptr, nullptr, SetupFormCallback}, 64, 0},
};

// This is the Form member at the start of a FormCallbackInstance. Every key,
// matched or not, yields EFI_SUCCESS; Data and Packet are not touched.
EFI_STATUS EFIAPI SetupFormCallback(EFI_FORM_CALLBACK_PROTOCOL *This, UINT16 KeyValue, EFI_IFR_DATA_ARRAY *,
                                    EFI_HII_CALLBACK_PACKET **) {
  if (This == nullptr) {
    return EFI_SUCCESS;
  }
  const FormCallbackInstance *Instance = reinterpret_cast<const FormCallbackInstance *>(This);
  for (const SetupPackageEntry &Entry : SetupPackageTable) {
    if (Entry.Class != Instance->Class || Entry.SubClass != Instance->SubClass) {
      continue;
    }
    for (const FormCallbackRecord *Record = FormCallbackTable; Record->Callback != nullptr; ++Record) {
      if (Record->Class == Instance->Class && Record->SubClass == Instance->SubClass && Record->Key == KeyValue) {
        Record->Callback(Entry.HiiHandle, Record->Class, Record->SubClass, Record->Key);
      }
    }
  }
  return EFI_SUCCESS;
}
