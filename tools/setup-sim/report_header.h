// What both reports say before the pages: which simulator and driver module
// ran, on which board and store, as a first or a later boot, with which options.
#pragma once

#include <string>
#include <vector>

#include "tools/setup-sim/boot_session.h"

namespace setup_sim {

// The JSON report's shape; raised whenever a key changes meaning or goes away.
constexpr int kJsonSchemaVersion = 2;

// "first boot" or "later boot", with why.
std::string BootKind(const BootSession &session);

// The boot's options as given on the command line, one entry an option:
// "--trigger", "--callback 2:0x3B", "--fail get-variable:3".
std::vector<std::string> BootOptionTexts(const BootSession &session);

}  // namespace setup_sim
