// Table members the driver is not expected to call still exist: each logs an
// "unexpected-service-call" event naming itself and fails with EFI_UNSUPPORTED
// (void members just return), so a stray call is loud and never a null jump.
#pragma once

#include <type_traits>

#include "sim/machine/machine.h"
#include "sim/machine/platform_records.h"

namespace sim {

template <typename Member>
struct UnexpectedCall;

template <typename Result, typename... Args>
struct UnexpectedCall<Result(EFIAPI *)(Args...)> {
  template <const char *Name>
  static Result EFIAPI Call(Args...) {
    Machine::Current().ReportUnexpectedCall(Name);
    if constexpr (!std::is_void_v<Result>) return EFI_UNSUPPORTED;
  }
};

// Points slot at the logging stand-in for the member called Name ("Table.Member").
template <const char *Name, typename Member>
void SetUnexpected(Member &slot) {
  slot = &UnexpectedCall<Member>::template Call<Name>;
}

// The same for an untyped slot of a member returning a status.
template <const char *Name>
void SetUnexpectedSlot(InterfaceSlot &slot) {
  slot = reinterpret_cast<InterfaceSlot>(&UnexpectedCall<EFI_STATUS(EFIAPI *)()>::template Call<Name>);
}

}  // namespace sim
