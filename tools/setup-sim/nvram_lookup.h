// A variable of an NVRAM file by the name (and GUID) a user gives on the
// command line, for every `setup-sim nvram` subcommand.
#pragma once

#include <string>

#include "sim/variable_store.h"

namespace setup_sim {

// name as UTF-16; UsageError for an empty or malformed name.
std::u16string VariableName16(const std::string &name);

// The one variable of that name (and GUID, unless guid is empty; the caller has
// checked its form). Throws std::runtime_error naming file when there is none,
// UsageError listing the GUIDs when several share the name.
sim::StoredVariable FindNamed(const sim::VariableStore &store, const std::string &file, const std::string &name,
                              const std::string &guid);

}  // namespace setup_sim
