// One simulated boot: load a fresh copy of the driver module, run its entry
// point on a machine built from the board profile, optionally install the
// publishing trigger and call form callbacks, and report what the driver did.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sim/board_profile.h"
#include "sim/hardware_trace.h"
#include "sim/variable_store.h"

namespace sim {

class DriverModule;

// The service calls a boot counts and can make fail (docs/simulated-machine.md):
// the boot services AllocatePool and LocateProtocol, the runtime services
// GetVariable and SetVariable, and every member call of the simulator's protocols.
enum class ServiceCall { AllocatePool, GetVariable, SetVariable, LocateProtocol, ProtocolMember };
constexpr size_t kServiceCallKinds = 5;
using ServiceCallCounts = std::array<uint64_t, kServiceCallKinds>;  // indexed by ServiceCall

// The number-th call (from 1) of that kind fails without doing anything.
struct ServiceFault {
  ServiceCall call = ServiceCall::AllocatePool;
  uint64_t number = 1;
};

struct BootOptions {
  bool trigger = false;  // install the publishing trigger protocol after the entry point returns
  std::vector<std::pair<uint16_t, uint16_t>> callbacks;  // (class, key) form callbacks, in order
  std::string driverModule;  // the module to load; empty: $SETUP_DRIVER_MODULE, else the one built
  // A module already loaded, to boot instead of a fresh copy: its writable data
  // is put back as its load left it first (DriverModule::ResetState).
  DriverModule *loadedModule = nullptr;
  std::vector<ServiceFault> faults;  // each named call fails
  // false: BootReport::strings, variableWrites and hardwareTrace stay empty (a boot checked only for soundness)
  bool recordChanges = true;
};

struct StringRecord {
  uint16_t formClass = 0;
  uint16_t stringId = 0;
  std::string label;  // from the package list; empty when the list has no such id
  std::u16string text;
};

// One thing the platform saw the driver do, in order. kind is one of the kinds
// listed in docs/simulated-machine.md: "board-register-write", "port-write",
// "message-box", "package-list-published", "package-list-removed",
// "string-rejected", "protocol-installed", "form-callback", "callback-skipped",
// "unexpected-service-call", "pool-free-invalid", "event-close-invalid",
// "tpl-misuse", "fault-injected".
struct EventRecord {
  std::string kind;
  std::string detail;  // human-readable, e.g. "register 0x8318 = 0x0"
  std::vector<std::pair<std::string, uint64_t>> values;  // named numeric fields for JSON
};

// What one form callback of BootOptions::callbacks did: whether it reached the
// driver, and how many strings, variable writes and further events followed.
struct CallbackOutcome {
  uint16_t formClass = 0;
  uint16_t key = 0;
  bool reached = false;
  size_t effects = 0;
};

struct BootReport {
  EFI_STATUS entryStatus = 0;
  std::vector<StringRecord> strings;  // every SetString call the string service accepted, in order
  std::vector<EventRecord> events;
  size_t poolLeaks = 0;               // pool blocks the driver left allocated
  size_t poolLeakBytes = 0;
  ServiceCallCounts serviceCalls{};   // the driver's calls of each kind, the failed one included
  // Every SetVariable the store accepted, in order, as the variable stood after
  // it (empty data: deleted).
  std::vector<StoredVariable> variableWrites;
  // The driver's accesses to the board's attached devices and PCI configuration
  // space (sim/hardware_trace.h), in order; not part of setup-sim's reports.
  std::vector<HardwareAccess> hardwareTrace;
  std::vector<CallbackOutcome> callbacks;  // one per BootOptions::callbacks entry, in order
};

// Runs one boot of the driver against profile, with store as the NVRAM (volatile
// variables are dropped first, as at a power cycle). Throws std::runtime_error
// when the driver module cannot be loaded.
BootReport RunBoot(const BoardProfile &profile, VariableStore &store, const BootOptions &options);

}  // namespace sim
