// Parsing one command's arguments the same way for every setup-sim command.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>

#include "tools/setup-sim/command_line.h"

namespace setup_sim {

// False when --help was asked for (the help is written to out). A parse error
// is a UsageError; context ("diff: ") names the command in it.
inline bool ParseArguments(CLI::App &app, int argc, const char *const *argv, std::ostream &out,
                           const std::string &context) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp &) {
    out << app.help();
    return false;
  } catch (const CLI::ParseError &error) {
    throw UsageError(context + error.what());
  }
  return true;
}

}  // namespace setup_sim
