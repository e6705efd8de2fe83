// EFI_RUNTIME_SERVICES of the simulated machine: the variable services go to
// the NVRAM store; every other member logs its call and fails.
#include "sim/machine/service_tables.h"
#include "sim/machine/unexpected_call.h"

namespace sim {

namespace {

EFI_STATUS EFIAPI GetVariable(CHAR16 *name, EFI_GUID *guid, UINT32 *attributes, UINTN *dataSize, VOID *data) {
  Machine &machine = Machine::Current();
  if (machine.Faults().Fails(ServiceCall::GetVariable)) return InjectedStatus(ServiceCall::GetVariable);
  return machine.Store().Get(name, guid, attributes, dataSize, data);
}

EFI_STATUS EFIAPI SetVariable(CHAR16 *name, EFI_GUID *guid, UINT32 attributes, UINTN dataSize, VOID *data) {
  Machine &machine = Machine::Current();
  if (machine.Faults().Fails(ServiceCall::SetVariable)) return InjectedStatus(ServiceCall::SetVariable);
  const EFI_STATUS status = machine.Store().Set(name, guid, attributes, dataSize, data);
  if (!EfiError(status)) machine.NoteVariableWrite(name, *guid, attributes);
  return status;
}

constexpr char kGetTime[] = "RuntimeServices.GetTime";
constexpr char kSetTime[] = "RuntimeServices.SetTime";
constexpr char kGetWakeupTime[] = "RuntimeServices.GetWakeupTime";
constexpr char kSetWakeupTime[] = "RuntimeServices.SetWakeupTime";
constexpr char kSetVirtualAddressMap[] = "RuntimeServices.SetVirtualAddressMap";
constexpr char kConvertPointer[] = "RuntimeServices.ConvertPointer";
constexpr char kGetNextVariableName[] = "RuntimeServices.GetNextVariableName";
constexpr char kGetNextHighMonotonicCount[] = "RuntimeServices.GetNextHighMonotonicCount";
constexpr char kResetSystem[] = "RuntimeServices.ResetSystem";
constexpr char kUpdateCapsule[] = "RuntimeServices.UpdateCapsule";
constexpr char kQueryCapsuleCapabilities[] = "RuntimeServices.QueryCapsuleCapabilities";
constexpr char kQueryVariableInfo[] = "RuntimeServices.QueryVariableInfo";

}  // namespace

EFI_RUNTIME_SERVICES MakeRuntimeServices() {
  EFI_RUNTIME_SERVICES table{};
  SetUnexpected<kGetTime>(table.GetTime);
  SetUnexpected<kSetTime>(table.SetTime);
  SetUnexpected<kGetWakeupTime>(table.GetWakeupTime);
  SetUnexpected<kSetWakeupTime>(table.SetWakeupTime);
  SetUnexpected<kSetVirtualAddressMap>(table.SetVirtualAddressMap);
  SetUnexpected<kConvertPointer>(table.ConvertPointer);
  table.GetVariable = GetVariable;
  SetUnexpected<kGetNextVariableName>(table.GetNextVariableName);
  table.SetVariable = SetVariable;
  SetUnexpected<kGetNextHighMonotonicCount>(table.GetNextHighMonotonicCount);
  SetUnexpected<kResetSystem>(table.ResetSystem);
  SetUnexpected<kUpdateCapsule>(table.UpdateCapsule);
  SetUnexpected<kQueryCapsuleCapabilities>(table.QueryCapsuleCapabilities);
  SetUnexpected<kQueryVariableInfo>(table.QueryVariableInfo);
  return table;
}

}  // namespace sim
