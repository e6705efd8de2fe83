#include "core/firmware_calls.h"
#include "core/setup_module.h"

const UINT8 BoardCodeTable[kBoardCodeCount] = {0x00, 0x31, 0xA8, 0xA9, 0xAB, 0xAE, 0xAF, 0xB3};

namespace {

constexpr UINT32 kBoardConditionSelector = 2;
constexpr UINT32 kBoardCodeRegister = 0x8310;
constexpr UINT32 kBoardResetRegister = 0x8318;

bool IsKnownBoardCode(UINT8 Code) {
  for (UINT8 Known : BoardCodeTable) {
    if (Known == Code) {
      return true;
    }
  }
  return false;
}

// Without the board query protocol the condition byte keeps its zero.
void QueryBoardCondition(SetupMenuConditionRecord *Condition) {
  if (gSetupModule.BoardQuery == nullptr &&
      !LocateInterface(&kBoardQueryProtocolGuid, reinterpret_cast<VOID **>(&gSetupModule.BoardQuery))) {
    return;
  }
  UINT8 Answer[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  gSetupModule.BoardQuery->QueryBoardCondition(kBoardConditionSelector, Answer);
  Condition->BoardCondition = Answer[0] != 0 ? 1 : 0;
}

// Without the board register protocol the board-code bytes keep their stored
// values and a pending reset request stays pending for a later load.
void ApplyBoardRegisters(UINT8 *Record, UINTN RecordSize) {
  if (gSetupModule.BoardRegister == nullptr &&
      !LocateInterface(&kBoardRegisterProtocolGuid, reinterpret_cast<VOID **>(&gSetupModule.BoardRegister))) {
    return;
  }
  BoardRegisterProtocol *Board = gSetupModule.BoardRegister;
  UINT8 Code[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  Board->ReadRegister(Board, kBoardCodeRegister, Code);
  SetSetupByte(Record, RecordSize, kSetupBoardCodeClearedOffset, 0);
  SetSetupByte(Record, RecordSize, kSetupUnknownBoardCodeOffset, IsKnownBoardCode(Code[0]) ? 0 : 1);
  if (SetupFieldInside(kSetupBoardResetRequestOffset, 1, RecordSize) && Record[kSetupBoardResetRequestOffset] != 0) {
    Record[kSetupBoardResetRequestOffset] = 0;
    Board->WriteRegister(Board, kBoardResetRegister, 0);
  }
}

}  // namespace

EFI_STATUS UpdateSetupRecords() {
  UINT8 Setup[kSetupDataSize];
  UINTN SetupSize = kSetupDataSize;
  UINT32 SetupAttributes = 0;
  EFI_STATUS Status = ReadVariable(u"Setup", &kSetupVariableGuid, &SetupSize, Setup, &SetupAttributes);
  UINT8 StoredSetup[kSetupDataSize];
  VariableAsRead Stored = {StoredSetup, SetupSize, SetupAttributes};
  if (Status == EFI_NOT_FOUND && SetupDefaultsWhole()) {
    // A first boot: the defaults become Setup with this load's patches in one write.
    MemMove(Setup, gSetupModule.SetupDefaultImage, kSetupDataSize);
    SetupSize = kSetupDataSize;
    Stored = {nullptr, 0, 0};
  } else if (EfiError(Status)) {
    return Status;
  } else if (SetupSize > kSetupDataSize) {
    return EFI_BAD_BUFFER_SIZE;  // a firmware that claims more than it could have stored
  } else {
    MemMove(StoredSetup, Setup, SetupSize);
  }
  if (SetupFieldInside(kSetupLoadClearedWordOffset, kSetupLoadClearedWordWidth, SetupSize)) {
    Setup[kSetupLoadClearedWordOffset] = 0;
    Setup[kSetupLoadClearedWordOffset + 1] = 0;
  }
  SetSetupByte(Setup, SetupSize, kSetupLoadSetByteOffset, 1);

  SetupMenuConditionRecord Condition;
  MemFill(&Condition, sizeof(Condition), 0);
  QueryBoardCondition(&Condition);
  ApplyBoardRegisters(Setup, SetupSize);

  Status = StoreNonVolatile(u"Setup", &kSetupVariableGuid, kAttrNvBsRt, SetupSize, Setup, &Stored);
  if (EfiError(Status)) {
    return Status;
  }
  Status = StoreVariable(u"SetupMenuCondition", &kSetupMenuConditionGuid, kAttrBsRt, sizeof(Condition), &Condition);
  return EfiError(Status) ? Status : EFI_SUCCESS;
}
