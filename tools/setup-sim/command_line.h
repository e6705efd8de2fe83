// The options of one setup-sim run.
#pragma once

#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/boot.h"

namespace setup_sim {

struct CommandLine {
  std::string board;  // a file or a built-in board's name; empty: the built-in reference board
  std::string nvram;  // the store's file; empty: a fresh store that is not saved
  bool json = false;
  std::string page;                   // --page: a class, a title or "all"; empty: the whole report
  std::vector<std::string> settings;  // --set NAME=OPTION, applied to the store before the boot
  bool browse = false;                // `setup-sim browse`: the setup menu at the keyboard
  std::string keys;                   // browse --keys: keys to replay instead of a terminal
  std::string screen;                 // browse --screen: where the final screen is written
  sim::BootOptions boot;
};

// Bad arguments; main reports them with exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// nullopt when --help was asked for (the help is written to out).
std::optional<CommandLine> ParseCommandLine(int argc, const char *const *argv, std::ostream &out);

}  // namespace setup_sim
