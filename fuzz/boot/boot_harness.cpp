#include "fuzz/boot/boot_harness.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/boot/driver_share.h"
#include "sim/boot.h"
#include "sim/checks/boot_checks.h"
#include "sim/machine/driver_module.h"
#include "sim/profile/profile_loader.h"

namespace fuzz_boot {

namespace {

sim::DriverModule &Module() {
  static sim::DriverModule *module = [] {
    auto *loaded = new sim::DriverModule(sim::DriverModule::DefaultPath());
    SampleDriverShare(reinterpret_cast<const void *>(loaded->Entry()));
    return loaded;
  }();
  return *module;
}

void BootChecked(const sim::BoardProfile &profile, sim::VariableStore &store, const char *which) {
  static const std::vector<std::pair<uint16_t, uint16_t>> callbacks = sim::EveryFormCallback();
  sim::BootOptions options;
  options.trigger = true;
  options.callbacks = callbacks;
  options.loadedModule = &Module();
  options.recordChanges = false;
  const std::string fault = sim::UnsoundBoot(sim::RunBoot(profile, store, options));
  if (!fault.empty()) {
    std::fprintf(stderr, "unsound %s boot: %s\n", which, fault.c_str());
    std::abort();
  }
}

}  // namespace

const sim::BoardProfile &ReferenceBoard() {
  static const sim::BoardProfile *profile = new sim::BoardProfile(sim::LoadBuiltinBoard("reference"));
  return *profile;
}

sim::BoardProfile &FreshBoard() {
  // The reference board less its package lists: assigning it copies only the
  // sections a target may edit, into storage the last input already grew.
  static const sim::BoardProfile *withoutLists = [] {
    auto *board = new sim::BoardProfile(ReferenceBoard());
    board->packageLists.clear();
    return board;
  }();
  static sim::BoardProfile *board = new sim::BoardProfile(ReferenceBoard());
  std::vector<sim::PackageListSpec> lists = std::move(board->packageLists);
  *board = *withoutLists;
  board->packageLists = std::move(lists);
  return *board;
}

sim::VariableStore &FreshStore() {
  static const sim::VariableStore *seeded = new sim::VariableStore(sim::SeededStore(ReferenceBoard()));
  static sim::VariableStore *store = new sim::VariableStore;
  *store = *seeded;
  return *store;
}

void BootTwice(const sim::BoardProfile &profile, sim::VariableStore &store) {
  BootChecked(profile, store, "first");
  BootChecked(profile, store, "later");
}

}  // namespace fuzz_boot

// AddressSanitizer keeps freed memory from reuse for a while to catch a use after
// free; its default of 256 MB made the targets' resident size about 420 MB. One
// input frees far less than 32 MB, so a use after free within an input, or a few
// inputs later, is still caught.
extern "C" const char *__asan_default_options() { return "quarantine_size_mb=32"; }
