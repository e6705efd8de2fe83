#include "tools/setup-sim/nvram_command.h"

#include <cstdio>
#include <optional>

#include "sim/machine/guid_text.h"
#include "sim/machine/hex_text.h"
#include "sim/machine/utf16_text.h"
#include "sim/variable_store.h"
#include "tools/setup-sim/cli_parse.h"
#include "tools/setup-sim/nvram_transfer.h"
#include "tools/setup-sim/setup_fields.h"
#include "tools/setup-sim/text_report.h"

namespace setup_sim {
namespace {

struct NvramArguments {
  std::string file;
  std::string name;
  std::string guid;  // empty: the one variable of that name
  std::string data;  // hex
  uint32_t attributes = 0;  // 0: keep the variable's own, or 7 for a new one
};

std::u16string Name16(const std::string &name) {
  const std::optional<std::u16string> name16 = sim::Utf8ToUtf16(name);
  if (!name16 || name16->empty()) throw UsageError("nvram: \"" + name + "\" is not a variable name");
  return *name16;
}

// The one variable of that name (and GUID, when given).
sim::StoredVariable FindNamed(const sim::VariableStore &store, const NvramArguments &arguments) {
  const std::u16string name = Name16(arguments.name);
  const std::optional<EFI_GUID> guid = sim::GuidFromText(arguments.guid);  // checked by RunNvramCommand
  std::vector<sim::StoredVariable> found;
  std::string guids;
  for (const sim::StoredVariable &variable : store.All()) {
    if (variable.name != name || (guid && sim::GuidToText(variable.guid) != sim::GuidToText(*guid))) continue;
    guids += (guids.empty() ? "" : ", ") + sim::GuidToText(variable.guid);
    found.push_back(variable);
  }
  if (found.empty()) throw std::runtime_error(arguments.file + ": no variable " + arguments.name +
                                              (arguments.guid.empty() ? "" : " under " + arguments.guid));
  if (found.size() > 1) {
    throw UsageError("nvram: " + std::to_string(found.size()) + " variables are named " + arguments.name +
                     "; give --guid (one of " + guids + ")");
  }
  return found[0];
}

void List(const sim::VariableStore &store, std::ostream &out) {
  for (const sim::StoredVariable &variable : store.All()) WriteVariableHeading(variable, out);
}

void Show(const sim::StoredVariable &variable, std::ostream &out) {
  const ShownVariable shown{variable.data, std::vector<bool>(variable.data.size(), false), {}};
  WriteVariable(variable, shown, out);
  for (const SetupField &field : SetupFieldsOf(variable)) {
    if (field.offset + field.width > variable.data.size()) continue;
    uint64_t value = 0;
    for (size_t i = 0; i < field.width; ++i) value |= uint64_t{variable.data[field.offset + i]} << (8 * i);
    char line[48];
    std::snprintf(line, sizeof line, "  offset %3zu  %-6llu  ", field.offset, static_cast<unsigned long long>(value));
    out << line << field.meaning << "\n";
  }
}

sim::StoredVariable NewValue(const sim::VariableStore &store, const NvramArguments &arguments) {
  const std::optional<std::vector<uint8_t>> data = sim::BytesOfHex(arguments.data);
  if (!data || data->empty()) throw UsageError("nvram set --data " + arguments.data + ": expected hex bytes, e.g. 0100ff");
  if (arguments.attributes != 0 && arguments.attributes != 3 && arguments.attributes != 7) {
    throw UsageError("nvram set --attributes: expected 3 or 7 (non-volatile with boot-service access, 7 with runtime)");
  }
  sim::StoredVariable variable;
  try {
    variable = FindNamed(store, arguments);
  } catch (const std::runtime_error &) {
    // A new variable: it needs its GUID; an ambiguous name stays an error.
    if (arguments.guid.empty()) throw;
    variable = {Name16(arguments.name), *sim::GuidFromText(arguments.guid), 7, {}};
  }
  if (arguments.attributes != 0) variable.attributes = arguments.attributes;
  variable.data = *data;
  return variable;
}

}  // namespace

int RunNvramCommand(int argc, const char *const *argv, std::ostream &out) {
  NvramArguments arguments;
  CLI::App app("Lists, shows, sets and deletes the variables of a setup-sim NVRAM file. A change is saved as a\n"
               "boot saves: a new file renamed over the old, through links, keeping its mode and notes.",
               "setup-sim nvram");
  app.require_subcommand(1);
  const auto addName = [&](CLI::App *command) {
    command->add_option("NAME", arguments.name, "The variable's name")->required();
    command->add_option("--guid", arguments.guid, "Its vendor GUID, when several variables have the name")
        ->type_name("GUID");
  };
  CLI::App *list = app.add_subcommand("list", "One line a variable: name, GUID, attributes, size");
  CLI::App *show = app.add_subcommand("show", "A variable's bytes as hex; for Setup also the fields the driver uses");
  CLI::App *set = app.add_subcommand("set", "Create or replace a variable");
  CLI::App *remove = app.add_subcommand("delete", "Delete a variable");
  const NvramTransfer transfer(app);
  for (CLI::App *command : {list, show, set, remove}) {
    command->add_option("FILE", arguments.file, "The NVRAM file")->required();
  }
  for (CLI::App *command : {show, set, remove}) addName(command);
  set->add_option("--data", arguments.data, "The new bytes as hex, e.g. 0100ff")->required()->type_name("HEX");
  set->add_option("--attributes", arguments.attributes, "3 or 7 (default: the variable's own, 7 for a new one)");
  app.footer("Examples:\n"
             "  setup-sim nvram list board.nvram\n"
             "  setup-sim nvram show board.nvram Setup\n"
             "  setup-sim nvram set board.nvram Marker --guid EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9 --data 01\n"
             "  setup-sim nvram delete board.nvram LastLangCodes   (the next boot is a first boot again)\n"
             "  setup-sim nvram import dump.bin vars.fd           (a dmpstore -s file into a store)\n"
             "  setup-sim nvram export vars.fd dump.bin           (for dmpstore -l)");
  if (!ParseArguments(app, argc, argv, out, "nvram: ")) return 0;
  if (transfer.Run(out)) return 0;
  if (!arguments.guid.empty() && !sim::GuidFromText(arguments.guid)) {
    throw UsageError("nvram --guid " + arguments.guid + ": expected a GUID of the form 8-4-4-4-12");
  }
  sim::VariableStore store = sim::VariableStore::Load(arguments.file);
  if (list->parsed()) {
    List(store, out);
  } else if (show->parsed()) {
    Show(FindNamed(store, arguments), out);
  } else {
    const sim::StoredVariable changed = set->parsed() ? NewValue(store, arguments) : FindNamed(store, arguments);
    if (set->parsed()) {
      store.Put(changed);
    } else {
      store.Set(changed.name.c_str(), &changed.guid, 0, 0, nullptr);
    }
    store.Save(arguments.file);
  }
  return 0;
}

}  // namespace setup_sim
