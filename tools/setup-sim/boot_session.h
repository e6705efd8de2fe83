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

// Which board an argument names. One that looks like a path (a '/' or ".json")
// is a file; otherwise a built-in board's name wins, and a file of that name is
// read only when no built-in board has it. Shadowing is never silent: a warning
// says which was taken. Throws std::runtime_error when the argument names neither.
struct BoardChoice {
  bool builtin = false;
  std::string name;  // the built-in board's name or the file's path
};
BoardChoice ChooseBoard(const std::string &argument, std::vector<std::string> &warnings);

// The option that names the NVRAM file, which a run reads and saves under that name.
constexpr char kNvramOption[] = "--nvram";

struct BootSession {
  sim::BoardProfile profile;
  std::string boardSource;  // "built in" or the file's path
  std::string driverModule;      // the module the boot loads
  std::string driverModuleHash;  // its content's 64-bit FNV-1a, hex
  sim::VariableStore store;
  std::string nvramSource;  // e.g. "fresh store, not saved" or "board.nvram (loaded, saved after the boot)"
  bool laterBoot = false;   // the store holds LastLangCodes, so the driver defers publishing to the trigger
  sim::BootOptions options;
  std::vector<std::string> settings;                    // --set, applied to the store before the boot
  std::string page;                                     // --page as given
  std::vector<const sim::PackageListSpec *> formPages;  // the lists --page asks for, rendered instead of the report
  sim::BootReport report;
  std::vector<std::string> warnings;  // for stderr: what the user may not have meant
};

// Loads the board and the store as the command line asks; a fresh store is
// seeded with the profile's variables, then takes the --set settings. Throws
// UsageError for a callback class or --page the board has no package list of, or
// an unknown setting; std::runtime_error for a bad profile or NVRAM file, or an
// NVRAM file the boot could not save.
BootSession OpenSession(const CommandLine &line);

// After the boot: a warning for each callback that reached no driver callback or changed nothing.
void AddBootWarnings(BootSession &session);

}  // namespace setup_sim
