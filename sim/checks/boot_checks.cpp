#include "sim/checks/boot_checks.h"

namespace sim {

std::vector<std::pair<uint16_t, uint16_t>> EveryFormCallback() {
  // The menu's two interactive items: the hardware-monitor refresh and the
  // management-engine update item.
  return {{2, 0x3B}, {32, 0xF013}};
}

VariableStore SeededStore(const BoardProfile &profile) {
  VariableStore store;
  for (const VariableSpec &variable : profile.variables) {
    store.Put({variable.name, variable.guid, variable.attributes, variable.data});
  }
  return store;
}

std::string UnsoundBoot(const BootReport &report) {
  std::string faults;
  if (report.poolLeaks != 0) {
    faults += std::to_string(report.poolLeaks) + " pool blocks left allocated (" +
              std::to_string(report.poolLeakBytes) + " bytes); ";
  }
  for (const EventRecord &event : report.events) {
    if (event.kind == "unexpected-service-call" || event.kind == "pool-free-invalid" ||
        event.kind == "event-close-invalid" || event.kind == "tpl-misuse" ||
        event.kind == "unloaded-image-call") {
      faults += event.kind + ": " + event.detail + "; ";
    }
  }
  return faults;
}

}  // namespace sim
