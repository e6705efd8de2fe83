// setup-sim nvram list|show|set|delete FILE ...: an NVRAM file's variables at
// hand, as firmware engineers use dmpstore and setvar on a real machine.
#pragma once

#include <ostream>

namespace setup_sim {

// argv[0] is "nvram". Returns the exit status; throws UsageError for bad
// arguments, std::runtime_error for a bad file or a variable that is not there.
int RunNvramCommand(int argc, const char *const *argv, std::ostream &out);

}  // namespace setup_sim
