// The combined provider, last in StringInitTable, and the network and FRU strings
// it sets in every package list: the project version line, the onboard MAC
// addresses, the FRU texts another driver leaves, and the board id register.
#include "core/firmware_calls.h"
#include "core/setup_module.h"
#include "core/string_service.h"
#include "pages/network_fru_mac.h"
#include "pages/network_fru_record.h"
#include "pages/page_providers.h"

namespace {

constexpr UINT16 kProjectVersionStringId = 27;
constexpr UINT16 kMacStringIds[kOnboardControllerCount] = {1597, 1600};
constexpr UINT16 kBoardIdStringId = 1649;
constexpr UINT32 kBoardIdRegister = 0x8310;

// The FRU texts in the order they are set, with the string each one fills.
const struct {
  UINT8 Text;
  UINT16 StringId;
} kFruStrings[kFruTextCount] = {{2, 1618}, {3, 1624}, {0, 1606}, {1, 1612}, {4, 1630}, {5, 1633}};

// A controller that was not read keeps its line as the package list has it.
void SetMacStrings(EFI_HII_HANDLE HiiHandle) {
  UINT8 Mac[kOnboardControllerCount * kMacAddressSize];
  UINT8 Read = ReadOnboardMacAddresses(Mac);
  for (UINTN Controller = 0; Controller < kOnboardControllerCount; Controller++) {
    if ((Read & (1U << Controller)) == 0) {
      continue;
    }
    const UINT8 *Address = Mac + Controller * kMacAddressSize;
    SetPageString(HiiHandle, kMacStringIds[Controller], u"%02X-%02X-%02X-%02X-%02X-%02X", Address[0], Address[1],
                  Address[2], Address[3], Address[4], Address[5]);
  }
}

// Only a volatile record long enough to hold the valid flag counts: its pointers
// hold for the boot that stored them, so a non-volatile copy left from an earlier
// boot points at nothing. A null text leaves its string alone.
void SetFruStrings(EFI_HII_HANDLE HiiHandle) {
  FruSetupRecord Fru;
  MemFill(&Fru, sizeof(Fru), 0);
  UINTN Size = sizeof(Fru);
  UINT32 Attributes = 0;
  if (EfiError(ReadVariable(u"FruSetup STRING", &kFruSetupGuid, &Size, &Fru, &Attributes)) ||
      (Attributes & EFI_VARIABLE_NON_VOLATILE) != 0 || Size <= offsetof(FruSetupRecord, Valid) || Fru.Valid == 0) {
    return;
  }
  for (const auto &String : kFruStrings) {
    if (Fru.Texts[String.Text] != nullptr) {
      SetPageString(HiiHandle, String.StringId, u"%a", Fru.Texts[String.Text]);
    }
  }
}

void SetBoardIdString(EFI_HII_HANDLE HiiHandle) {
  if (gSetupModule.BoardRegister == nullptr &&
      !LocateInterface(&kBoardRegisterProtocolGuid, reinterpret_cast<VOID **>(&gSetupModule.BoardRegister))) {
    return;
  }
  BoardRegisterProtocol *Board = gSetupModule.BoardRegister;
  UINT8 Value[8];
  MemFill(Value, sizeof(Value), 0);
  if (!EfiError(Board->ReadRegister(Board, kBoardIdRegister, Value))) {
    SetPageString(HiiHandle, kBoardIdStringId, u"%02X", Value[0]);
  }
}

}  // namespace

VOID CombinedProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass) {
  SocketDetailsProvider(HiiHandle, FormClass);
  LowMemoryString(HiiHandle, FormClass);
  NetworkFruStrings(HiiHandle, FormClass);
}

EFI_STATUS NetworkFruStrings(EFI_HII_HANDLE HiiHandle, UINT16) {
  SetPageString(HiiHandle, kProjectVersionStringId, u"%d.%d.%s%s", 4, 6, u"00", u"04");
  SetMacStrings(HiiHandle);
  SetFruStrings(HiiHandle);
  SetBoardIdString(HiiHandle);
  return EFI_SUCCESS;
}
