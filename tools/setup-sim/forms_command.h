// setup-sim forms [FILE]: the setup forms as IFR dumps show them, one line per
// opcode, or one row per setting with --settings (see docs/setup-forms.md).
#pragma once

#include <ostream>

namespace setup_sim {

// argv[0] is "forms". Returns the exit status: 1 when a form package was refused
// (the others are still dumped); throws UsageError for bad arguments and
// std::runtime_error for a file that cannot be read.
int RunFormsCommand(int argc, const char *const *argv, std::ostream &out);

}  // namespace setup_sim
