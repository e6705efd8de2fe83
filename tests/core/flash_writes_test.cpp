// The driver's non-volatile writes over a run of boots of the reference board on
// one store: every write carries data the store did not hold, and Setup is
// written at most once per boot however many package lists are published.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sim/boot.h"
#include "sim/profile/profile_loader.h"

namespace {

struct BootStep {
  const char *name;
  bool trigger;
  std::vector<std::pair<uint16_t, uint16_t>> callbacks;
  size_t setupWrites;  // SetVariable calls for Setup
  bool changesFlash;   // some non-volatile variable takes new data
};

size_t WritesOf(const sim::BootReport &report, const std::u16string &name) {
  size_t count = 0;
  for (const sim::StoredVariable &write : report.variableWrites) count += write.name == name ? 1 : 0;
  return count;
}

TEST(FlashWrites, NoBootRewritesAVariableWithTheDataItHolds) {
  const BootStep steps[] = {
      // Setup created from the defaults already patched: one write, not two.
      {"first boot", false, {}, 1, true},
      // The first publishing that finds Setup records the socket bytes, for the first list only.
      {"second boot, trigger", true, {}, 1, true},
      {"steady boot", false, {}, 0, false},
      {"steady boot, trigger", true, {}, 0, false},
      {"steady boot, trigger and both callbacks", true, {{2, 0x3B}, {32, 0xF013}}, 0, false},
  };
  const sim::BoardProfile profile = sim::LoadBuiltinBoard("reference");
  sim::VariableStore store;
  for (const sim::VariableSpec &variable : profile.variables) {
    store.Put({variable.name, variable.guid, variable.attributes, variable.data});
  }
  for (const BootStep &step : steps) {
    SCOPED_TRACE(step.name);
    const sim::NvramCounters before = store.Counters();
    sim::BootOptions options;
    options.trigger = step.trigger;
    options.callbacks = step.callbacks;
    const sim::BootReport report = sim::RunBoot(profile, store, options);
    EXPECT_EQ(report.entryStatus, EFI_SUCCESS);
    EXPECT_EQ(store.Counters().identicalWrites, before.identicalWrites);
    EXPECT_EQ(store.Counters().writes != before.writes, step.changesFlash);
    EXPECT_EQ(WritesOf(report, u"Setup"), step.setupWrites);
    EXPECT_LE(WritesOf(report, u"SetupCpuSockets"), 1u);
  }
}

}  // namespace
