// Fault injection: every counted service call passes through Fails(), which
// counts it by kind and tells whether it is the one the boot was asked to fail.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/boot.h"
#include "sim/machine/event_log.h"

namespace sim {

// "allocate-pool", "get-variable", "set-variable", "locate-protocol", "protocol-member".
const char *ServiceCallName(ServiceCall call);
std::optional<ServiceCall> ServiceCallFromName(const std::string &name);

// What a failed call returns: EFI_OUT_OF_RESOURCES for AllocatePool, EFI_DEVICE_ERROR otherwise.
EFI_STATUS InjectedStatus(ServiceCall call);

class ServiceFaults {
 public:
  explicit ServiceFaults(EventLog &log) : log_(log) {}

  void Arm(const std::vector<ServiceFault> &faults) { faults_ = faults; }
  // Counts one call; true (and a "fault-injected" event) when it must fail.
  bool Fails(ServiceCall call);
  const ServiceCallCounts &Counts() const { return counts_; }

 private:
  EventLog &log_;
  std::vector<ServiceFault> faults_;
  ServiceCallCounts counts_{};
};

}  // namespace sim
