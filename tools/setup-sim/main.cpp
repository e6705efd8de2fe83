// setup-sim: one simulated boot of the setup-menu driver (see docs/simulator.md).
#include <cstring>
#include <iostream>

#include "sim/profile/profile_loader.h"
#include "sim/profile/profile_schema.h"
#include "tools/setup-sim/boot_session.h"
#include "tools/setup-sim/browse/browse.h"
#include "tools/setup-sim/command_line.h"
#include "tools/setup-sim/diff_command.h"
#include "tools/setup-sim/forms_command.h"
#include "tools/setup-sim/json_report.h"
#include "tools/setup-sim/nvram_command.h"
#include "tools/setup-sim/text_report.h"

namespace {

// Messages are one line, whatever a nested message holds.
std::string OneLine(std::string message) {
  for (char &c : message) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return message;
}

void Warn(const std::vector<std::string> &warnings) {
  for (const std::string &warning : warnings) std::cerr << "setup-sim: warning: " << OneLine(warning) << "\n";
}

// The profile is read as a boot would read it, so that only a board that boots is printed.
int PrintProfile(const setup_sim::CommandLine &line) {
  std::vector<std::string> warnings;
  const setup_sim::BoardChoice choice = setup_sim::ChooseBoard(line.board, warnings);
  const nlohmann::json profile =
      choice.builtin ? sim::EffectiveBuiltinBoardJson(choice.name) : sim::EffectiveProfileFileJson(choice.name);
  const sim::BoardProfile board = sim::ReadEffectiveProfile(profile, choice.builtin ? choice.name + ".json" : choice.name);
  warnings.insert(warnings.end(), board.warnings.begin(), board.warnings.end());
  Warn(warnings);
  std::cout << profile.dump(2) << "\n";
  return 0;
}

int Boot(int argc, char **argv) {
  const std::optional<setup_sim::CommandLine> line = setup_sim::ParseCommandLine(argc, argv, std::cout);
  if (!line) return 0;
  if (line->printProfile) return PrintProfile(*line);
  if (line->printSchema) {
    std::cout << sim::BoardProfileJsonSchema().dump(2) << "\n";
    return 0;
  }
  setup_sim::BootSession session = setup_sim::OpenSession(*line);
  session.report = sim::RunBoot(session.profile, session.store, session.options);
  setup_sim::AddBootWarnings(session);
  if (!line->nvram.empty() && line->save) {
    session.store.SetBoard(session.profile.name);
    session.store.Save(line->nvram, setup_sim::kNvramOption);
  }
  Warn(session.warnings);
  if (line->json) {
    setup_sim::WriteJsonReport(session, std::cout);
  } else {
    setup_sim::WriteTextReport(session, std::cout);
  }
  return 0;
}

bool IsCommand(int argc, char **argv, const char *command) { return argc > 1 && std::strcmp(argv[1], command) == 0; }

int Run(int argc, char **argv) {
  if (IsCommand(argc, argv, "diff")) return setup_sim::RunDiffCommand(argc - 1, argv + 1, std::cout);
  if (IsCommand(argc, argv, "nvram")) return setup_sim::RunNvramCommand(argc - 1, argv + 1, std::cout);
  if (IsCommand(argc, argv, "browse")) return setup_sim::RunBrowseCommand(argc - 1, argv + 1, std::cout);
  if (IsCommand(argc, argv, "forms")) return setup_sim::RunFormsCommand(argc - 1, argv + 1, std::cout);
  return Boot(argc, argv);
}

}  // namespace

int main(int argc, char **argv) {
  // diff exits 1 for reports that differ, so its own failures take 2, as diff's do.
  const int failure = IsCommand(argc, argv, "diff") ? 2 : 1;
  const std::string help = IsCommand(argc, argv, "diff")    ? "setup-sim diff --help"
                           : IsCommand(argc, argv, "nvram") ? "setup-sim nvram --help"
                           : IsCommand(argc, argv, "browse") ? "setup-sim browse --help"
                           : IsCommand(argc, argv, "forms")  ? "setup-sim forms --help"
                                                            : "setup-sim --help";
  try {
    return Run(argc, argv);
  } catch (const setup_sim::UsageError &error) {
    std::cerr << "setup-sim: " << OneLine(error.what()) << " (see " << help << ")\n";
    return 2;
  } catch (const std::exception &error) {
    std::cerr << "setup-sim: " << OneLine(error.what()) << "\n";
    return failure;
  }
}
