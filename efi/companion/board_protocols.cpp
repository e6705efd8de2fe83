// The q35 board's answers to the two board protocols the setup driver calls. The
// virtual machine has no board condition and no board registers of its own: the
// condition reads 0 and registers read 0 until written, as in the simulator's
// profile of this machine (boards/qemu-q35.json).
#include "activity_log.h"
#include "companion_services.h"
#include "platform/firmware_services.h"

static constexpr UINT32 kBoardConditionSelector = 2;
static constexpr UINT8 kBoardCondition = 0;

struct BoardRegister {
  UINT32 Number;
  UINT64 Value;
  BOOLEAN Used;
};

static BoardRegister gRegisters[16];

static BoardRegister *FindRegister(UINT32 Number) {
  for (BoardRegister &slot : gRegisters) {
    if (slot.Used && slot.Number == Number) {
      return &slot;
    }
  }
  return nullptr;
}

static constexpr CHAR8 kOtherSelector[] = "BoardQuery.QueryBoardCondition with a selector other than 2";

// Callers pass 8-byte buffers; all eight bytes are written.
static EFI_STATUS EFIAPI QueryBoardCondition(UINT32 Selector, VOID *Buffer) {
  if (Selector != kBoardConditionSelector) {
    LogUnexpectedCall(kOtherSelector);
    return EFI_UNSUPPORTED;
  }
  if (Buffer == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  // The setup driver asks this once, from its entry point: the record and the marker place that entry.
  LogActivity("board-condition-queried", nullptr, nullptr, nullptr, 0);
  if (gStartedInDxe) {
    SerialMarker("setup-companion: the setup driver's entry point queried the board condition\r\n");
  }
  const UINT64 answer = kBoardCondition;
  MemMove(Buffer, &answer, sizeof answer);
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI ReadRegister(BoardRegisterProtocol *, UINT32 Number, VOID *Buffer) {
  if (Buffer == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  const BoardRegister *slot = FindRegister(Number);
  const UINT64 value = slot == nullptr ? 0 : slot->Value;
  MemMove(Buffer, &value, sizeof value);
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI WriteRegister(BoardRegisterProtocol *, UINT32 Number, UINT64 Value) {
  BoardRegister *slot = FindRegister(Number);
  for (UINTN index = 0; slot == nullptr && index < sizeof gRegisters / sizeof gRegisters[0]; index++) {
    if (!gRegisters[index].Used) {
      slot = &gRegisters[index];
    }
  }
  if (slot == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  *slot = {Number, Value, 1};
  const CompanionValue values[] = {{"register", Number}, {"value", Value}};
  LogActivity("board-register-write", nullptr, nullptr, values, 2);
  return EFI_SUCCESS;
}

static constexpr CHAR8 kReserved0[] = "BoardRegister.Reserved0";

BoardQueryProtocol gBoardQuery = {QueryBoardCondition};
BoardRegisterProtocol gBoardRegister = {UnexpectedCall<kReserved0>, ReadRegister, WriteRegister};
