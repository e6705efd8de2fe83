// The options of one setup-sim run.
#pragma once

#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/boot.h"

namespace setup_sim {

// One field per option; a new option adds its field here, its parsing in
// ParseCommandLine and its line in the reports' options (report_header).
struct CommandLine {
  std::string board;  // a file or a built-in board's name; empty: the built-in reference board
  std::string nvram;  // the store's file; empty: a fresh store that is not saved
  bool save = true;   // false: --no-save, the --nvram file is left as it was
  bool json = false;
  bool printProfile = false;
  bool printSchema = false;  // --print-profile-schema
  std::string page;                   // --page: a class, a title or "all"; empty: the whole report
  std::vector<std::string> settings;  // --set NAME=OPTION, applied to the store before the boot
  sim::BootOptions boot;
};

// Bad arguments; main reports them with exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// nullopt when --help or --version was asked for (the answer is written to out).
std::optional<CommandLine> ParseCommandLine(int argc, const char *const *argv, std::ostream &out);

// The simulator's version, as --version and the reports give it.
std::string SetupSimVersion();

}  // namespace setup_sim
