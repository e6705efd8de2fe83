#include "tools/setup-sim/diff_command.h"

#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "sim/machine/user_file.h"
#include "tools/setup-sim/cli_parse.h"

namespace setup_sim {
namespace {

using nlohmann::json;

constexpr size_t kLargestReport = 256u << 20;

json ReadReport(const std::string &path) {
  const std::string text = sim::ReadUserFile(path, kLargestReport, path + ": ");
  json report = json::parse(text, nullptr, false);
  if (report.is_discarded() || !report.is_object() || !report.contains("pages") || !report.contains("variables")) {
    throw std::runtime_error(path + ": not a setup-sim --json report");
  }
  return report;
}

// "Class 2 (Advanced) 326 Total Memory" -> text, for every string the report's pages show.
std::map<std::string, std::string> Strings(const json &report) {
  std::map<std::string, std::string> strings;
  for (const json &page : report["pages"]) {
    for (const json &string : page.value("strings", json::array())) {
      const std::string key = page.value("title", std::string()) + "  " + std::to_string(string.value("id", 0)) +
                              "  " + string.value("label", std::string());
      strings[key] = string.value("text", std::string());
    }
  }
  return strings;
}

// "Setup  EC87D643-..." -> attributes and data.
std::map<std::string, std::string> Variables(const json &report) {
  std::map<std::string, std::string> variables;
  for (const json &variable : report["variables"]) {
    const std::string key = variable.value("name", std::string()) + "  " + variable.value("guid", std::string());
    variables[key] = "attributes " + std::to_string(variable.value("attributes", 0)) + ", " +
                     std::to_string(variable.value("size", 0)) + " bytes: " + variable.value("data", std::string());
  }
  return variables;
}

// The first byte at which two hex texts differ, for a short description.
std::string FirstDifference(const std::string &a, const std::string &b) {
  const size_t colon = a.rfind(": "), other = b.rfind(": ");
  if (colon == std::string::npos || other == std::string::npos || a.substr(0, colon) != b.substr(0, other)) {
    return "";
  }
  const std::string dataA = a.substr(colon + 2), dataB = b.substr(other + 2);
  size_t i = 0;
  while (i < dataA.size() && i < dataB.size() && dataA[i] == dataB[i]) ++i;
  char offset[48];
  std::snprintf(offset, sizeof offset, "data differs from byte 0x%zX", i / 2);
  return offset;
}

// Writes what only A has, what only B has and what changed; the count of lines.
size_t Compare(const char *what, const std::map<std::string, std::string> &a,
               const std::map<std::string, std::string> &b, bool bytes, std::ostream &out) {
  size_t differences = 0;
  for (const auto &[key, value] : a) {
    const auto other = b.find(key);
    if (other == b.end()) {
      out << "- " << what << "  " << key << "  " << value << "\n";
    } else if (other->second != value) {
      const std::string where = bytes ? FirstDifference(value, other->second) : "";
      out << "~ " << what << "  " << key << (where.empty() ? "" : "  (" + where + ")") << "\n    A: " << value
          << "\n    B: " << other->second << "\n";
    } else {
      continue;
    }
    ++differences;
  }
  for (const auto &[key, value] : b) {
    if (a.count(key) != 0) continue;
    out << "+ " << what << "  " << key << "  " << value << "\n";
    ++differences;
  }
  return differences;
}

}  // namespace

int RunDiffCommand(int argc, const char *const *argv, std::ostream &out) {
  std::string pathA, pathB;
  CLI::App app("Compares two setup-sim --json reports: the page strings (by page, id and label) and the NVRAM\n"
               "variables (by name and GUID) that only one has (- A, + B) or that changed (~).",
               "setup-sim diff");
  app.add_option("A", pathA, "The first report")->required()->type_name("A.json");
  app.add_option("B", pathB, "The second report")->required()->type_name("B.json");
  app.footer("Exit status: 0 when the reports agree, 1 when they differ, 2 for bad arguments or files.");
  if (!ParseArguments(app, argc, argv, out, "diff: ")) return 0;
  const json a = ReadReport(pathA), b = ReadReport(pathB);
  size_t differences = Compare("string", Strings(a), Strings(b), false, out);
  differences += Compare("variable", Variables(a), Variables(b), true, out);
  if (a.value("entry_status", json()) != b.value("entry_status", json())) {
    out << "~ entry status  A: " << a.value("entry_status", json()).dump() << "  B: "
        << b.value("entry_status", json()).dump() << "\n";
    ++differences;
  }
  if (differences == 0) out << "no differences in strings, variables or entry status\n";
  return differences == 0 ? 0 : 1;
}

}  // namespace setup_sim
