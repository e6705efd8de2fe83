// What changed between two versions of one variable, by name rather than as
// the whole record in hex twice: each setting of the forms whose bytes changed
// (its prompt, the old option and the new), each named field of Setup, and
// the runs of changed bytes.
#pragma once

#include <string>
#include <vector>

#include "tools/setup-sim/diff_report.h"
#include "tools/setup-sim/form_settings.h"

namespace setup_sim {

// One line each, indented for diff's output; empty when a and b hold the same
// bytes. a and b hold data of one size; settings are the forms' (AllSettings).
std::vector<std::string> NamedChanges(const ReportVariable &a, const ReportVariable &b,
                                      const std::vector<Setting> &settings);

}  // namespace setup_sim
