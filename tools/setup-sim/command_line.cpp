#include "tools/setup-sim/command_line.h"


#include "sim/machine/driver_module.h"
#include "sim/machine/service_faults.h"
#include "sim/profile/builtin_files.h"
#include "sim/profile/number_text.h"
#include "tools/setup-sim/cli_parse.h"

namespace setup_sim {
namespace {

const char kDescription[] =
    "Boots the setup-menu driver once on a simulated board and shows what it did: the strings of every\n"
    "setup page, the NVRAM variables, the platform's event log, pool leaks and the entry point's status.";

std::string Footer() {
  std::string boards;
  for (const std::string &name : sim::BuiltinBoardNames()) boards += (boards.empty() ? "" : ", ") + name;
  return "A fresh store (no --nvram, or a file that does not exist yet) makes a first boot and is seeded\n"
         "with the board's variables; a loaded store makes a later boot, whose publishing waits for\n"
         "--trigger. Callbacks run after publishing, in the order given; CLASS and KEY are decimal or 0x hex.\n"
         "--board takes a file when the argument holds a '/' or ends in .json, else a built-in board's name.\n"
         "Built-in boards: " + boards +
         "\n\n"
         "Examples:\n"
         "  setup-sim                                         first boot of the reference board\n"
         "  setup-sim --nvram board.nvram                     first boot; the store is saved to board.nvram\n"
         "  setup-sim --nvram board.nvram --trigger           a later boot on that store, publishing on the trigger\n"
         "  setup-sim --nvram board.nvram --trigger --callback 2:0x3B\n"
         "                                                    ...and a hardware-monitor refresh from the menu\n"
         "  setup-sim --nvram board.nvram --trigger --no-save replay that later boot, leaving the file as it is\n"
         "  setup-sim --board my-board.json --json            a board of your own, as JSON\n"
         "  setup-sim --board my-board.json --print-profile   the board with its extends resolved, to copy and edit\n"
         "  setup-sim --print-profile-schema                  the JSON Schema of board profiles, for an editor\n"
         "  setup-sim --fail get-variable:3                   the driver's third GetVariable call fails\n"
         "  setup-sim --page Advanced                         the Advanced page as the menu shows it\n"
         "  setup-sim --nvram board.nvram --trigger --set sata-mode=disabled --page Advanced\n"
         "                                                    a setting changed as the menu would save it\n"
         "\n"
         "Other commands (each has --help):\n"
         "  setup-sim diff A.json B.json                      the strings and variables two --json reports differ in\n"
         "  setup-sim nvram list|show|set|delete FILE ...     read and edit the variables of an NVRAM file\n"
         "\n"
         "Exit status: 0 when the boot completed, 1 for a bad profile or NVRAM file or a failed boot,\n"
         "2 for bad arguments. See docs/simulator.md and docs/board-profile.md.";
}

std::optional<uint16_t> ParseUint16(const std::string &text) {
  const std::optional<uint64_t> number = sim::ParseNumberText(text);
  if (!number || *number > UINT16_MAX) return std::nullopt;
  return static_cast<uint16_t>(*number);
}

std::pair<uint16_t, uint16_t> ParseCallback(const std::string &text) {
  const size_t colon = text.find(':');
  const std::optional<uint16_t> formClass = colon == std::string::npos ? std::nullopt : ParseUint16(text.substr(0, colon));
  const std::optional<uint16_t> key = colon == std::string::npos ? std::nullopt : ParseUint16(text.substr(colon + 1));
  if (!formClass || !key) {
    throw UsageError("--callback " + text + ": expected CLASS:KEY, each decimal or 0x hex up to 0xFFFF (e.g. 2:0x3B)");
  }
  return {*formClass, *key};
}

sim::ServiceFault ParseFault(const std::string &text) {
  const size_t colon = text.find(':');
  const std::optional<sim::ServiceCall> call =
      colon == std::string::npos ? std::nullopt : sim::ServiceCallFromName(text.substr(0, colon));
  const std::optional<uint64_t> number =
      colon == std::string::npos ? std::nullopt : sim::ParseNumberText(text.substr(colon + 1));
  if (!call || !number || *number == 0) {
    throw UsageError("--fail " + text +
                     ": expected KIND:N, KIND one of allocate-pool, get-variable, set-variable, locate-protocol, "
                     "protocol-member and N a call number from 1 (e.g. allocate-pool:3)");
  }
  return {*call, *number};
}

// An option given at most once, with a value that is not empty.
class SingleValue {
 public:
  SingleValue(CLI::App &app, const std::string &name, const std::string &help, const std::string &type)
      : name_(name) {
    app.add_option(name, values_, help)->type_name(type);
  }
  // Throws UsageError for a repeat or an empty value; leaves out as it was when absent.
  void Take(std::string &out) const {
    if (values_.size() > 1) {
      throw UsageError(name_ + " given " + std::to_string(values_.size()) + " times; give it once");
    }
    if (values_.empty()) return;
    if (values_[0].empty()) throw UsageError(name_ + ": the value is empty");
    out = values_[0];
  }

 private:
  std::string name_;
  std::vector<std::string> values_;
};

// The options that act on a boot: with a command that boots nothing they would be ignored, so they are refused.
void RefuseBootOptions(const CLI::App &app, const std::string &command) {
  if (command.empty()) return;
  for (const char *option : {"--nvram", "--no-save", "--trigger", "--callback", "--fail", "--page", "--set"}) {
    if (app.count(option) != 0) throw UsageError(command + " boots nothing, so " + option + " has no use with it");
  }
}

}  // namespace

std::string SetupSimVersion() { return SETUP_SIM_VERSION; }

std::optional<CommandLine> ParseCommandLine(int argc, const char *const *argv, std::ostream &out) {
  CommandLine line;
  std::vector<std::string> callbacks, faults;
  bool noSave = false, version = false;
  CLI::App app(kDescription, "setup-sim");
  const SingleValue board(app, "--board",
                          "Board profile: a JSON file or a built-in board's name (default: reference)", "FILE|NAME");
  const SingleValue nvram(app, "--nvram",
                          "NVRAM store, loaded before and saved after the boot (default: a fresh store)", "FILE");
  app.add_flag("--no-save", noSave, "Boot from the --nvram file but leave it untouched, so a boot can be replayed");
  app.add_flag("--trigger", line.boot.trigger, "Install the publishing trigger protocol after the entry point returns");
  app.add_option("--callback", callbacks, "Call the form callback of class CLASS with key KEY (repeatable)")
      ->type_name("CLASS:KEY");
  app.add_option("--fail", faults, "Make the driver's N-th service call of KIND fail (fault injection; repeatable)")
      ->type_name("KIND:N");
  app.add_option("--page", line.page,
                 "Show a setup page as the menu draws it: its forms, each prompt beside its value, the settings' "
                 "options (CLASS: a class number, a title such as Advanced, or all)")
      ->type_name("CLASS");
  app.add_option("--set", line.settings,
                 "Change a setting of the forms in the store's Setup before the boot (repeatable; e.g. "
                 "\"SATA Mode=Disabled\")")
      ->type_name("NAME=OPTION");
  app.add_flag("--json", line.json, "Print JSON for programs instead of text for people");
  app.add_flag("--print-profile", line.printProfile,
               "Check the board profile and print it with every extends resolved, instead of booting");
  app.add_flag("--print-profile-schema", line.printSchema,
               "Print the JSON Schema of board profiles (docs/board-profile.schema.json), instead of booting");
  app.add_flag("--version", version, "Print the version and the driver module a boot loads");
  app.footer(Footer());
  if (!ParseArguments(app, argc, argv, out, "")) return std::nullopt;
  if (version) {
    out << "setup-sim " << SetupSimVersion() << "\ndriver module " << sim::DriverModule::DefaultPath() << "\n";
    return std::nullopt;
  }
  board.Take(line.board);
  nvram.Take(line.nvram);
  if (noSave && line.nvram.empty()) throw UsageError("--no-save: there is no --nvram file to leave untouched");
  line.save = !noSave;
  for (const std::string &callback : callbacks) line.boot.callbacks.push_back(ParseCallback(callback));
  for (const std::string &fault : faults) line.boot.faults.push_back(ParseFault(fault));
  RefuseBootOptions(app, line.printProfile ? "--print-profile" : line.printSchema ? "--print-profile-schema" : "");
  if (line.printSchema && app.count("--board") != 0) {
    throw UsageError("--print-profile-schema: the schema is every board's; --board has no use with it");
  }
  return line;
}

}  // namespace setup_sim
