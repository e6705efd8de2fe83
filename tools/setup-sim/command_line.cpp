#include "tools/setup-sim/command_line.h"

#include <CLI/CLI.hpp>

#include "sim/machine/service_faults.h"
#include "sim/profile/builtin_files.h"
#include "sim/profile/number_text.h"

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
         "Built-in boards: " + boards +
         "\n\n"
         "Examples:\n"
         "  setup-sim                                         first boot of the reference board\n"
         "  setup-sim --nvram board.nvram                     first boot; the store is saved to board.nvram\n"
         "  setup-sim --nvram board.nvram --trigger           a later boot on that store, publishing on the trigger\n"
         "  setup-sim --nvram board.nvram --trigger --callback 2:0x3B\n"
         "                                                    ...and a hardware-monitor refresh from the menu\n"
         "  setup-sim --board my-board.json --json            a board of your own, as JSON\n"
         "  setup-sim --fail get-variable:3                   the driver's third GetVariable call fails\n"
         "  setup-sim --page Advanced                         the Advanced page as the menu shows it\n"
         "  setup-sim --nvram board.nvram --trigger --set sata-mode=disabled --page Advanced\n"
         "                                                    a setting changed as the menu would save it\n"
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

}  // namespace

std::optional<CommandLine> ParseCommandLine(int argc, const char *const *argv, std::ostream &out) {
  CommandLine line;
  std::vector<std::string> callbacks;
  std::string fault;
  CLI::App app(kDescription, "setup-sim");
  app.add_option("--board", line.board, "Board profile: a JSON file or a built-in board's name (default: reference)")
      ->type_name("FILE");
  app.add_option("--nvram", line.nvram, "NVRAM store, loaded before and saved after the boot (default: a fresh store)")
      ->type_name("FILE");
  app.add_flag("--trigger", line.boot.trigger, "Install the publishing trigger protocol after the entry point returns");
  app.add_option("--callback", callbacks, "Call the form callback of class CLASS with key KEY (repeatable)")
      ->type_name("CLASS:KEY");
  app.add_option("--fail", fault, "Make the driver's N-th service call of KIND fail (fault injection)")
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
  app.footer(Footer());
  CLI::App *browse = app.add_subcommand(
      "browse",
      "Boot as above (a first boot on a fresh store, a later boot with --trigger on a saved one), then browse the "
      "setup menu at the keyboard: Left/Right between the lists, Up/Down between items, Enter opens a subform, "
      "runs an action item or opens a setting's options, Esc goes back, F9 loads the defaults, F10 saves the "
      "settings to the NVRAM file and reboots. See docs/simulator.md.");
  browse->add_option("--board", line.board, "Board profile: a JSON file or a built-in board's name")->type_name("FILE");
  browse->add_option("--nvram", line.nvram, "NVRAM store, loaded before the boot and saved after each")
      ->type_name("FILE");
  browse->add_option("--keys", line.keys,
                     "Replay these keys without a terminal: up, down, left, right, enter, esc, f9, f10, y, n, "
                     "pgup, pgdn, separated by commas")
      ->type_name("KEYS");
  browse->add_option("--screen", line.screen, "Write the final screen as text to FILE (default with --keys: "
                                               "standard output)")
      ->type_name("FILE");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp &) {
    out << (browse->parsed() ? browse->help() : app.help());
    return std::nullopt;
  } catch (const CLI::ParseError &error) {
    throw UsageError(error.what());
  }
  line.browse = browse->parsed();
  for (const std::string &callback : callbacks) line.boot.callbacks.push_back(ParseCallback(callback));
  if (!fault.empty()) line.boot.fault = ParseFault(fault);
  return line;
}

}  // namespace setup_sim
