// Everything one setup-sim run works with: the board, the NVRAM store and, once
// the boot has run, its report.
#pragma once

#include <string>
#include <vector>

#include "sim/board_profile.h"
#include "sim/boot.h"
#include "sim/variable_store.h"
#include "tools/setup-sim/command_line.h"

namespace setup_sim {

struct BootSession {
  sim::BoardProfile profile;
  std::string boardSource;  // "built in" or the file's path
  sim::VariableStore store;
  std::string nvramSource;  // e.g. "fresh store (first boot)" or "board.nvram (loaded)"
  sim::BootOptions options;
  std::vector<const sim::PackageListSpec *> formPages;  // the lists --page asks for, rendered instead of the report
  sim::BootReport report;
};

// Loads the board and the store as the command line asks; a fresh store is
// seeded with the profile's variables, then takes the --set settings. Throws
// UsageError for a callback class or --page the board has no package list of, or
// an unknown setting; std::runtime_error for a bad profile or NVRAM file.
BootSession OpenSession(const CommandLine &line);

}  // namespace setup_sim
