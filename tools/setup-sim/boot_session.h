// Everything one setup-sim run works with: the board, the NVRAM store and, once
// the boot has run, its report.
#pragma once

#include <string>

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
  sim::BootReport report;
};

// Loads the board and the store as the command line asks; a fresh store is
// seeded with the profile's variables. Throws UsageError for a callback class
// the board has no package list of, std::runtime_error for a bad profile or
// NVRAM file.
BootSession OpenSession(const CommandLine &line);

}  // namespace setup_sim
