// Whole-driver fuzzing: each input becomes a board (the built-in reference board
// with some inputs replaced) on which the driver boots twice in the simulator.
//
// The driver module is loaded once and kept: every boot first puts its .data and
// .bss back as the load left them (sim::DriverModule::ResetState), which is
// exactly the state a fresh load starts from, so no module state leaks from one
// input to the next. Loading a fresh copy per boot would unmap the module's
// coverage counters under libFuzzer and cost a file copy and a dlopen per boot;
// linking the driver statically would leave its state to be reset by a list of
// globals that every new page must extend.
//
// What does not depend on the input is built once per process: the reference
// board (its package lists above all) and its seeded store. Each input starts
// from a board and a store reset to those, reusing their storage, and the boots
// record only what the soundness check reads.
#pragma once

#include "sim/board_profile.h"
#include "sim/variable_store.h"

namespace fuzz_boot {

// The built-in reference board, loaded once.
const sim::BoardProfile &ReferenceBoard();

// The board an input edits, reset to the reference board. Its package lists are
// the reference board's and stay untouched across inputs: no target edits them.
sim::BoardProfile &FreshBoard();

// The reference board's seeded store, as a first boot finds it (sim::SeededStore).
sim::VariableStore &FreshStore();

// A boot with the trigger (a first boot unless the store holds LastLangCodes)
// and then a later boot with the trigger, each followed by every form callback.
// Aborts with a message when a boot is unsound: pool blocks left, a stray
// service call, an invalid FreePool or a raised TPL left behind.
void BootTwice(const sim::BoardProfile &profile, sim::VariableStore &store);

}  // namespace fuzz_boot
