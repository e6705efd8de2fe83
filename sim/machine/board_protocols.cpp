// The board's own protocols the driver calls: BoardQueryProtocol (a condition
// byte) and BoardRegisterProtocol (registers read and written by number).
#include <cstdio>
#include <cstring>

#include "sim/machine/protocol_member.h"
#include "sim/machine/service_tables.h"
#include "sim/machine/unexpected_call.h"

namespace sim {

namespace {

constexpr UINT32 kBoardConditionSelector = 2;
constexpr size_t kCallerBufferSize = 8;  // callers pass 8-byte buffers

EFI_STATUS EFIAPI QueryBoardCondition(UINT32 selector, VOID *buffer) {
  Machine &machine = Machine::Current();
  if (selector != kBoardConditionSelector) {
    machine.ReportUnexpectedCall("BoardQuery.QueryBoardCondition with a selector other than 2");
    return EFI_UNSUPPORTED;
  }
  if (buffer == nullptr) return EFI_INVALID_PARAMETER;
  uint8_t answer[kCallerBufferSize] = {machine.Profile().protocols.boardCondition};
  std::memcpy(buffer, answer, sizeof answer);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI ReadRegister(VOID *, UINT32 number, VOID *buffer) {
  if (buffer == nullptr) return EFI_INVALID_PARAMETER;
  const auto &registers = Machine::Current().BoardRegisters();
  auto found = registers.find(number);
  const uint64_t value = found != registers.end() ? found->second : 0;
  std::memcpy(buffer, &value, sizeof value);  // little-endian, as on the board
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI WriteRegister(VOID *, UINT32 number, UINT64 value) {
  Machine &machine = Machine::Current();
  machine.BoardRegisters()[number] = value;
  char detail[64];
  std::snprintf(detail, sizeof detail, "register 0x%X = 0x%llX", number, static_cast<unsigned long long>(value));
  machine.Log().Record("board-register-write", detail, {{"register", number}, {"value", value}});
  return EFI_SUCCESS;
}

constexpr char kReserved0[] = "BoardRegister.Reserved0";

}  // namespace

BoardQueryInterface MakeBoardQuery() {
  BoardQueryInterface protocol{};
  SetSlot<QueryBoardCondition>(protocol.slots[board_query_protocol::kQueryBoardCondition]);
  return protocol;
}

BoardRegisterInterface MakeBoardRegister() {
  BoardRegisterInterface protocol{};
  SetUnexpectedSlot<kReserved0>(protocol.slots[0]);
  SetSlot<ReadRegister>(protocol.slots[board_register_protocol::kReadRegister]);
  SetSlot<WriteRegister>(protocol.slots[board_register_protocol::kWriteRegister]);
  return protocol;
}

}  // namespace sim
