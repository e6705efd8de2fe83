#include "sim/checks/boot_checks.h"

#include "core/form_callbacks.h"

namespace sim {

std::vector<std::pair<uint16_t, uint16_t>> EveryFormCallback() {
  std::vector<std::pair<uint16_t, uint16_t>> callbacks;
  for (const FormCallbackRecord *record = FormCallbackTable; record->Callback != nullptr; ++record) {
    callbacks.emplace_back(record->Class, record->Key);
  }
  return callbacks;
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
    if (event.kind == "unexpected-service-call" || event.kind == "pool-free-invalid" || event.kind == "tpl-misuse" ||
        event.kind == "unloaded-image-call") {
      faults += event.kind + ": " + event.detail + "; ";
    }
  }
  return faults;
}

}  // namespace sim
