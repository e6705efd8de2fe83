// setup-sim: one simulated boot of the setup-menu driver (see docs/simulator.md).
#include <iostream>

#include "tools/setup-sim/boot_session.h"
#include "tools/setup-sim/browse/browse.h"
#include "tools/setup-sim/command_line.h"
#include "tools/setup-sim/json_report.h"
#include "tools/setup-sim/text_report.h"

namespace {

// Messages are one line, whatever a nested message holds.
std::string OneLine(std::string message) {
  for (char &c : message) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return message;
}

int Run(int argc, char **argv) {
  const std::optional<setup_sim::CommandLine> line = setup_sim::ParseCommandLine(argc, argv, std::cout);
  if (!line) return 0;
  if (line->browse) {
    setup_sim::RunBrowse(*line, std::cout);
    return 0;
  }
  setup_sim::BootSession session = setup_sim::OpenSession(*line);
  session.report = sim::RunBoot(session.profile, session.store, session.options);
  if (!line->nvram.empty()) session.store.Save(line->nvram);
  if (line->json) {
    setup_sim::WriteJsonReport(session, std::cout);
  } else {
    setup_sim::WriteTextReport(session, std::cout);
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  try {
    return Run(argc, argv);
  } catch (const setup_sim::UsageError &error) {
    std::cerr << "setup-sim: " << OneLine(error.what()) << " (see setup-sim --help)\n";
    return 2;
  } catch (const std::exception &error) {
    std::cerr << "setup-sim: " << OneLine(error.what()) << "\n";
    return 1;
  }
}
