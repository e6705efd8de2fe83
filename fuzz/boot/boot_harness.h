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
#pragma once

#include "sim/board_profile.h"
#include "sim/variable_store.h"

namespace fuzz_boot {

// The built-in reference board, loaded once.
const sim::BoardProfile &ReferenceBoard();

// A boot with the trigger (a first boot unless the store holds LastLangCodes)
// and then a later boot with the trigger, each followed by every form callback.
// Aborts with a message when a boot is unsound: pool blocks left, a stray
// service call, an invalid FreePool or a raised TPL left behind.
void BootTwice(const sim::BoardProfile &profile, sim::VariableStore store);

}  // namespace fuzz_boot
