#include "sim/machine/service_faults.h"

namespace sim {

namespace {

const struct {
  const char *name;     // as setup-sim's --fail takes it
  const char *service;  // as the event log names it
} kKinds[kServiceCallKinds] = {
    {"allocate-pool", "AllocatePool"},     {"get-variable", "GetVariable"},
    {"set-variable", "SetVariable"},       {"locate-protocol", "LocateProtocol"},
    {"protocol-member", "protocol member"},
};

size_t IndexOf(ServiceCall call) { return static_cast<size_t>(call); }

}  // namespace

const char *ServiceCallName(ServiceCall call) { return kKinds[IndexOf(call)].name; }

std::optional<ServiceCall> ServiceCallFromName(const std::string &name) {
  for (size_t i = 0; i < kServiceCallKinds; ++i) {
    if (name == kKinds[i].name) return static_cast<ServiceCall>(i);
  }
  return std::nullopt;
}

EFI_STATUS InjectedStatus(ServiceCall call) {
  return call == ServiceCall::AllocatePool ? EFI_OUT_OF_RESOURCES : EFI_DEVICE_ERROR;
}

bool ServiceFaults::Fails(ServiceCall call) {
  const uint64_t number = ++counts_[IndexOf(call)];
  bool armed = false;
  for (const ServiceFault &fault : faults_) armed = armed || (fault.call == call && fault.number == number);
  if (!armed) return false;
  log_.Record("fault-injected",
              std::string(kKinds[IndexOf(call)].service) + " call " + std::to_string(number) + " fails",
              {{"number", number}, {"status", InjectedStatus(call)}});
  return true;
}

}  // namespace sim
