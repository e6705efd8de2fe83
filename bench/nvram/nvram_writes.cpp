// Counts what the driver asks of the variable store in each kind of boot of the
// reference board: SetVariable calls, writes that reach the flash, identical
// non-volatile rewrites (which a store without a compare would also write to
// flash) and bytes written. Exits 1 when a steady boot rewrites a non-volatile
// variable with the data it holds or any boot writes Setup more than once.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "sim/boot.h"
#include "sim/profile/profile_loader.h"

namespace {

struct Scenario {
  const char *name;
  bool trigger;
  std::vector<std::pair<uint16_t, uint16_t>> callbacks;
  bool steady;  // the store already holds what this kind of boot writes
};

// In order, on one store: each boot finds what the ones before it left.
const Scenario kScenarios[] = {
    {"first boot", false, {}, false},
    {"second boot, trigger", true, {}, false},  // the first publishing that finds Setup
    {"steady boot, no trigger", false, {}, true},
    {"steady boot, trigger", true, {}, true},
    {"steady boot, trigger, callbacks 2:0x3B 32:0xF013", true, {{2, 0x3B}, {32, 0xF013}}, true},
};

size_t CountWrites(const sim::BootReport &report, const std::u16string &name) {
  size_t count = 0;
  for (const sim::StoredVariable &write : report.variableWrites) count += write.name == name ? 1 : 0;
  return count;
}

}  // namespace

int main() {
  const sim::BoardProfile profile = sim::LoadBuiltinBoard("reference");
  sim::VariableStore store;
  for (const sim::VariableSpec &variable : profile.variables) {
    store.Put({variable.name, variable.guid, variable.attributes, variable.data});
  }
  std::printf("%-50s %9s %9s %9s %9s %9s\n", "reference board", "SetVar", "to flash", "identical", "bytes",
              "Setup");
  bool met = true;
  for (const Scenario &scenario : kScenarios) {
    const sim::NvramCounters before = store.Counters();
    sim::BootOptions options;
    options.trigger = scenario.trigger;
    options.callbacks = scenario.callbacks;
    const sim::BootReport report = sim::RunBoot(profile, store, options);
    const sim::NvramCounters &after = store.Counters();
    const uint64_t identical = after.identicalWrites - before.identicalWrites;
    const size_t setupWrites = CountWrites(report, u"Setup");
    std::printf("%-50s %9llu %9llu %9llu %9llu %9zu\n", scenario.name,
                static_cast<unsigned long long>(report.serviceCalls[static_cast<size_t>(sim::ServiceCall::SetVariable)]),
                static_cast<unsigned long long>(after.writes - before.writes),
                static_cast<unsigned long long>(identical),
                static_cast<unsigned long long>(after.bytesWritten - before.bytesWritten), setupWrites);
    if ((scenario.steady && identical != 0) || setupWrites > 1) met = false;
  }
  std::printf("target (no identical non-volatile write on a steady boot, Setup at most once per boot): %s\n",
              met ? "met" : "MISSED");
  return met ? 0 : 1;
}
