// setup-sim diff A.json B.json: the strings and variables two JSON reports
// differ in, by name, so that two runs can be compared line by line.
#pragma once

#include <ostream>

namespace setup_sim {

// argv[0] is "diff". Returns 0 when the reports agree, 1 when they differ;
// throws UsageError for bad arguments, std::runtime_error for a file that is
// not a report.
int RunDiffCommand(int argc, const char *const *argv, std::ostream &out);

}  // namespace setup_sim
