// `setup-sim nvram list --json` and `show --json`: a store's variables for
// programs, with the same keys as the boot report's "variables".
#pragma once

#include <ostream>
#include <vector>

#include "sim/variable_store.h"

namespace setup_sim {

// {"variables": [{name, guid, guid_name, attributes, size}, ...]}
void WriteVariableListJson(const std::vector<sim::StoredVariable> &variables, std::ostream &out);

// One variable with its data as hex and, for Setup, the fields the driver uses.
void WriteVariableJson(const sim::StoredVariable &variable, std::ostream &out);

}  // namespace setup_sim
