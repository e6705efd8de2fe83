#include "tools/setup-sim/diff_command.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/profile/profile_loader.h"
#include "tools/setup-sim/cli_parse.h"
#include "tools/setup-sim/diff_report.h"
#include "tools/setup-sim/variable_diff.h"

namespace setup_sim {
namespace {

std::string VariableText(const ReportVariable &variable) {
  return "attributes " + std::to_string(variable.attributes) + ", " + std::to_string(variable.data.size() / 2) +
         " bytes: " + variable.data;
}

// The settings of the forms of report's board, which is read into board (the settings point into it);
// none, with why in note, when the board cannot be read now.
std::vector<Setting> ReportSettings(const DiffReport &report, std::optional<sim::BoardProfile> &board,
                                    std::string &note) {
  try {
    board = report.boardSource == "built in" ? sim::LoadBuiltinBoard(report.board)
                                             : sim::LoadBoardProfileFile(report.boardSource);
    return AllSettings(*board);
  } catch (const std::exception &error) {
    note = std::string("settings not named: ") + error.what();
    return {};
  }
}

// What only A has, what only B has and what changed; the count of differences.
size_t CompareStrings(const DiffReport &a, const DiffReport &b, std::ostream &out) {
  size_t differences = 0;
  for (const auto &[key, text] : a.strings) {
    const auto other = b.strings.find(key);
    if (other == b.strings.end()) {
      out << "- string  " << key << "  " << text << "\n";
    } else if (other->second != text) {
      out << "~ string  " << key << "\n    A: " << text << "\n    B: " << other->second << "\n";
    } else {
      continue;
    }
    ++differences;
  }
  for (const auto &[key, text] : b.strings) {
    if (a.strings.count(key) != 0) continue;
    out << "+ string  " << key << "  " << text << "\n";
    ++differences;
  }
  return differences;
}

// A variable of one size in both is told by name (settings, fields, bytes); another one whole, twice.
size_t CompareVariables(const DiffReport &a, const DiffReport &b, std::ostream &out) {
  size_t differences = 0;
  std::string note;
  std::optional<sim::BoardProfile> board;  // read at the first changed variable
  std::vector<Setting> settings;
  bool boardRead = false;
  for (const auto &[key, variable] : a.variables) {
    const auto other = b.variables.find(key);
    if (other == b.variables.end()) {
      out << "- variable  " << key << "  " << VariableText(variable) << "\n";
    } else if (other->second.data.size() != variable.data.size()) {
      out << "~ variable  " << key << "\n    A: " << VariableText(variable) << "\n    B: " << VariableText(other->second)
          << "\n";
    } else if (other->second.data != variable.data || other->second.attributes != variable.attributes) {
      if (!boardRead) settings = ReportSettings(a, board, note);
      boardRead = true;
      out << "~ variable  " << key << "  (" << variable.data.size() / 2 << " bytes)\n";
      if (other->second.attributes != variable.attributes) {
        out << "    attributes  " << variable.attributes << " -> " << other->second.attributes << "\n";
      }
      for (const std::string &line : NamedChanges(variable, other->second, settings)) out << line << "\n";
    } else {
      continue;
    }
    ++differences;
  }
  for (const auto &[key, variable] : b.variables) {
    if (a.variables.count(key) != 0) continue;
    out << "+ variable  " << key << "  " << VariableText(variable) << "\n";
    ++differences;
  }
  if (!note.empty()) out << "  (" << note << ")\n";
  return differences;
}

}  // namespace

int RunDiffCommand(int argc, const char *const *argv, std::ostream &out) {
  std::string pathA, pathB;
  CLI::App app("Compares two setup-sim --json reports: the page strings (by page, id and label) and the NVRAM\n"
               "variables (by name and GUID) that only one has (- A, + B) or that changed (~). A changed\n"
               "variable is told by the settings of the forms and the named fields its changed bytes hold,\n"
               "then by the bytes themselves. A report may come from a pipe: diff <(setup-sim --json) b.json.",
               "setup-sim diff");
  app.add_option("A", pathA, "The first report")->required()->type_name("A.json");
  app.add_option("B", pathB, "The second report")->required()->type_name("B.json");
  app.footer("Exit status: 0 when the reports agree, 1 when they differ, 2 for bad arguments or files.");
  if (!ParseArguments(app, argc, argv, out, "diff: ")) return 0;
  const DiffReport a = ReadDiffReport(pathA), b = ReadDiffReport(pathB);
  size_t differences = CompareStrings(a, b, out) + CompareVariables(a, b, out);
  if (a.entryStatus != b.entryStatus) {
    out << "~ entry status  A: " << a.entryStatus.dump() << "  B: " << b.entryStatus.dump() << "\n";
    ++differences;
  }
  if (differences == 0) out << "no differences in strings, variables or entry status\n";
  return differences == 0 ? 0 : 1;
}

}  // namespace setup_sim
