// Members of the simulator's protocols are set with SetMember, so that every
// call the driver makes through them is counted as a protocol member call and
// can be made to fail (ServiceFaults): one counting point for every protocol,
// the board's own and those the pages add.
#pragma once

#include <type_traits>

#include "sim/machine/machine.h"
#include "sim/machine/platform_records.h"

namespace sim {

template <typename Member>
struct CountedMember;

// Only members that return an EFI status count: they are the ones that can
// report a failure (a failed call does nothing and returns EFI_DEVICE_ERROR).
// Others, such as a cursor walk's next index, are called as they are.
template <typename Result, typename... Args>
struct CountedMember<Result(EFIAPI *)(Args...)> {
  template <Result(EFIAPI *Function)(Args...)>
  static Result EFIAPI Call(Args... args) {
    if constexpr (std::is_same_v<Result, EFI_STATUS>) {
      if (Machine::Current().Faults().Fails(ServiceCall::ProtocolMember)) {
        return InjectedStatus(ServiceCall::ProtocolMember);
      }
    }
    return Function(args...);
  }
};

// Points slot at Function behind the counting point.
template <auto Function, typename Member>
void SetMember(Member &slot) {
  slot = &CountedMember<Member>::template Call<Function>;
}

// Points an untyped slot at Function behind the counting point.
template <auto Function>
void SetSlot(InterfaceSlot &slot) {
  slot = reinterpret_cast<InterfaceSlot>(&CountedMember<decltype(Function)>::template Call<Function>);
}

}  // namespace sim
