#include "tools/setup-sim/nvram_command.h"

#include <cstdio>
#include <optional>

#include "sim/machine/guid_text.h"
#include "sim/machine/user_file.h"
#include "sim/variable_store.h"
#include "tools/setup-sim/cli_parse.h"
#include "tools/setup-sim/nvram_json.h"
#include "tools/setup-sim/nvram_lookup.h"
#include "tools/setup-sim/nvram_set.h"
#include "tools/setup-sim/nvram_transfer.h"
#include "tools/setup-sim/setup_fields.h"
#include "tools/setup-sim/text_report.h"

namespace setup_sim {
namespace {

struct NvramArguments {
  std::string file;
  std::string name;
  std::string guid;  // empty: every GUID (list), the one variable of that name (show, delete)
  bool json = false;
  bool raw = false;
  std::string out;  // show: the bytes into this file
  NvramSetArguments set;
};

void List(const sim::VariableStore &store, const NvramArguments &arguments, std::ostream &out) {
  std::vector<sim::StoredVariable> variables;
  for (const sim::StoredVariable &variable : store.All()) {
    if (arguments.guid.empty() || sim::GuidEqual(variable.guid, *sim::GuidFromText(arguments.guid))) {
      variables.push_back(variable);
    }
  }
  if (arguments.json) {
    WriteVariableListJson(variables, out);
    return;
  }
  for (const sim::StoredVariable &variable : variables) WriteVariableHeading(variable, out);
}

void Show(const sim::StoredVariable &variable, const NvramArguments &arguments, std::ostream &out) {
  if (arguments.raw) {
    out.write(reinterpret_cast<const char *>(variable.data.data()), static_cast<std::streamsize>(variable.data.size()));
    return;
  }
  if (!arguments.out.empty()) {
    sim::WriteUserFile(arguments.out, std::string(variable.data.begin(), variable.data.end()), "--out");
    out << arguments.name << ": " << variable.data.size() << " bytes written to " << arguments.out << "\n";
    return;
  }
  if (arguments.json) {
    WriteVariableJson(variable, out);
    return;
  }
  const ShownVariable shown{variable.data, std::vector<bool>(variable.data.size(), false), {}};
  WriteVariable(variable, shown, out);
  for (const SetupField &field : SetupFieldsOf(variable)) {
    if (field.offset + field.width > variable.data.size()) continue;
    char line[48];
    std::snprintf(line, sizeof line, "  offset %3zu  %-6llu  ", field.offset,
                  static_cast<unsigned long long>(SetupFieldValue(variable, field)));
    out << line << field.meaning << "\n";
  }
}

// CLI11 reports an unknown subcommand as a missing one; name it and the known ones instead.
void CheckSubcommand(const CLI::App &app, int argc, const char *const *argv) {
  if (argc < 2 || argv[1][0] == '-') return;
  std::string names;
  for (const CLI::App *command : app.get_subcommands({})) {
    if (command->get_name() == argv[1]) return;
    names += (names.empty() ? "" : ", ") + command->get_name();
  }
  throw UsageError(std::string("nvram: no subcommand ") + argv[1] + "; the subcommands are " + names);
}

}  // namespace

int RunNvramCommand(int argc, const char *const *argv, std::ostream &out) {
  NvramArguments arguments;
  CLI::App app("Lists, shows, sets and deletes the variables of a setup-sim NVRAM file. A change is saved as a\n"
               "boot saves: a new file renamed over the old, through links, keeping its mode and notes.",
               "setup-sim nvram");
  app.require_subcommand(1);
  CLI::App *list = app.add_subcommand("list", "One line a variable: name, GUID, attributes, size");
  CLI::App *show = app.add_subcommand("show", "A variable's bytes as hex; for Setup also the fields the driver uses");
  CLI::App *set = app.add_subcommand("set", "Create or replace a variable, or edit bytes or settings in place");
  CLI::App *remove = app.add_subcommand("delete", "Delete a variable");
  const NvramTransfer transfer(app);
  for (CLI::App *command : {list, show, set, remove}) {
    command->add_option("FILE", arguments.file, "The NVRAM file")->required();
  }
  for (CLI::App *command : {show, remove}) {
    command->add_option("NAME", arguments.name, "The variable's name")->required();
  }
  list->add_option("--guid", arguments.guid, "Only this vendor GUID's variables")->type_name("GUID");
  for (CLI::App *command : {show, set, remove}) {
    command
        ->add_option("--guid", arguments.guid, "The variable's vendor GUID: for a new one, or when several share the name")
        ->type_name("GUID");
  }
  list->add_flag("--json", arguments.json, "The same as JSON");
  CLI::Option *json = show->add_flag("--json", arguments.json, "The same as JSON");
  CLI::Option *raw = show->add_flag("--raw", arguments.raw, "The variable's bytes alone, to stdout")->excludes(json);
  show->add_option("--out", arguments.out, "The variable's bytes into this file")
      ->type_name("FILE")
      ->excludes(raw)
      ->excludes(json);
  set->add_option("TARGET", arguments.set.targets,
                  "The variable's NAME with --data or --data-file; otherwise edits: NAME:OFFSET[(SIZE)]=VALUE\n"
                  "(bytes, little-endian) or SETTING=OPTION (a setting of the forms by name)")
      ->required();
  set->add_option("--data", arguments.set.data, "The new bytes as hex, e.g. 0100ff or \"01 00 ff\"")->type_name("HEX");
  set->add_option("--data-file", arguments.set.dataFile, "The new bytes: this file's")->type_name("FILE");
  set->add_option("--attributes", arguments.set.attributes, "3 or 7 (default: the variable's own, 7 for a new one)");
  set->add_option("--board", arguments.set.board,
                  "Whose forms own the settings (default: the built-in board that saved the file, or reference)");
  set->add_flag("--force", arguments.set.force, "Write a value that none of a setting's options allows");
  app.footer("Examples:\n"
             "  setup-sim nvram list board.nvram --json\n"
             "  setup-sim nvram show board.nvram Setup\n"
             "  setup-sim nvram show board.nvram Setup --out setup.bin\n"
             "  setup-sim nvram set board.nvram 'Setup:0x4=0x0' 'Setup:0x1F4(2)=0x0100'\n"
             "  setup-sim nvram set board.nvram 'SATA Mode=Disabled'\n"
             "  setup-sim nvram set board.nvram Marker --guid EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9 --data 01\n"
             "  setup-sim nvram delete board.nvram LastLangCodes   (the next boot is a first boot again)\n"
             "  setup-sim nvram import dump.bin vars.fd           (a dmpstore -s file into a store)\n"
             "  setup-sim nvram export vars.fd dump.bin           (for dmpstore -l)");
  CheckSubcommand(app, argc, argv);
  if (!ParseArguments(app, argc, argv, out, "nvram: ")) return 0;
  if (transfer.Run(out)) return 0;
  if (!arguments.guid.empty() && !sim::GuidFromText(arguments.guid)) {
    throw UsageError("nvram --guid " + arguments.guid + ": expected a GUID of the form 8-4-4-4-12");
  }
  if (set->count("--data") > 0 && arguments.set.data.empty()) throw UsageError("nvram set --data: the value is empty");
  if (set->count("--data-file") > 0 && arguments.set.dataFile.empty()) {
    throw UsageError("nvram set --data-file: the value is empty");
  }
  if (set->parsed()) {
    arguments.set.file = arguments.file;
    arguments.set.guid = arguments.guid;
    RunNvramSet(arguments.set, out);
    return 0;
  }
  sim::VariableStore store = sim::VariableStore::Load(arguments.file);
  if (list->parsed()) {
    List(store, arguments, out);
  } else if (show->parsed()) {
    Show(FindNamed(store, arguments.file, arguments.name, arguments.guid), arguments, out);
  } else {
    const sim::StoredVariable gone = FindNamed(store, arguments.file, arguments.name, arguments.guid);
    store.Set(gone.name.c_str(), &gone.guid, 0, 0, nullptr);
    store.Save(arguments.file);
  }
  return 0;
}

}  // namespace setup_sim
