#include "tools/setup-sim/forms_command.h"

#include <fstream>
#include <iostream>
#include <iterator>

#include "forms/host/forms_report.h"
#include "forms/host/package_scan.h"
#include "sim/machine/utf16_text.h"
#include "sim/profile/package_lists.h"
#include "sim/variable_store.h"
#include "tools/setup-sim/cli_parse.h"

namespace setup_sim {
namespace {

struct FormsArguments {
  std::string file;  // empty: the built-in lists
  std::string nvram;
  forms::ReportOptions report;
  bool json = false;
};

// A built-in list in the shape a file's lists take: its form package and its own texts as one string package.
forms::PackageList BuiltinList(const sim::PackageListSpec &builtin) {
  forms::PackageList list;
  list.name = builtin.title + " (class " + std::to_string(builtin.formClass) + ")";
  if (!builtin.formPackage.empty()) list.forms.push_back({0, builtin.formPackage});
  forms::StringPackage strings;
  strings.language = sim::Utf16ToUtf8(builtin.primaryLanguages.substr(0, 3)).value_or("");
  for (const auto &[id, string] : builtin.strings.All()) strings.strings[id] = string.text;
  list.strings.push_back(std::move(strings));
  return list;
}

std::vector<uint8_t> ReadWhole(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot be read");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error(path + ": cannot be read");
  return bytes;
}

std::vector<forms::PackageList> FileLists(const std::string &path) {
  const std::vector<uint8_t> bytes = ReadWhole(path);
  try {
    if (std::optional<std::vector<forms::PackageList>> lists = forms::ReadPackageLists(bytes.data(), bytes.size())) {
      return std::move(*lists);
    }
  } catch (const forms::PackageError &error) {
    throw std::runtime_error(path + ": " + error.what());
  }
  const std::string name = path.substr(path.find_last_of('/') + 1);
  forms::ScanResult scan = forms::ScanForPackages(bytes.data(), bytes.size(), name);
  for (const std::string &note : scan.notes) std::cerr << "setup-sim: forms: " << path << ": " << note << "\n";
  if (scan.lists.empty()) throw std::runtime_error(path + ": no form package found");
  return std::move(scan.lists);
}

}  // namespace

int RunFormsCommand(int argc, const char *const *argv, std::ostream &out) {
  FormsArguments arguments;
  CLI::App app("Dumps form packages as IFR dumps show them: one line per opcode, indented by scope, strings\n"
               "resolved. Without FILE the seven built-in package lists; FILE may be a form package, a package\n"
               "list, an exported HII database, or any binary to scan (a driver, a firmware image).",
               "setup-sim forms");
  app.add_option("FILE", arguments.file, "What to dump (default: the built-in lists)");
  app.add_option("--language", arguments.report.language, "Read strings in this language (e.g. en-US, or en)")
      ->type_name("LANG");
  app.add_flag("--verbose", arguments.report.verbose, "Each opcode's offset and bytes");
  app.add_flag("--settings", arguments.report.settings,
               "One row per stored question: store, offset and width, form path, prompt, values, default");
  app.add_option("--nvram", arguments.nvram, "With --settings: each question's value in this NVRAM file")
      ->type_name("FILE");
  app.add_flag("--json", arguments.json, "The same as JSON");
  app.footer("Examples:\n"
             "  setup-sim forms\n"
             "  setup-sim forms --settings --nvram board.nvram\n"
             "  setup-sim forms /usr/share/OVMF/OVMF_CODE_4M.fd --language en-US\n"
             "  setup-sim forms hii.bin --json");
  if (!ParseArguments(app, argc, argv, out, "forms: ")) return 0;
  if (!arguments.nvram.empty() && !arguments.report.settings) throw UsageError("forms: --nvram needs --settings");
  std::vector<forms::PackageList> lists;
  if (arguments.file.empty()) {
    for (const sim::PackageListSpec &builtin : sim::BuiltinPackageLists()) lists.push_back(BuiltinList(builtin));
  } else {
    lists = FileLists(arguments.file);
  }
  std::optional<sim::VariableStore> store;
  if (!arguments.nvram.empty()) {
    store = sim::VariableStore::Load(arguments.nvram);
    arguments.report.stored = [&store](const std::string &name, const EFI_GUID &guid)
        -> std::optional<std::vector<uint8_t>> {
      const std::optional<std::u16string> name16 = sim::Utf8ToUtf16(name);
      const sim::StoredVariable *variable = name16 ? store->Find(*name16, guid) : nullptr;
      if (variable == nullptr) return std::nullopt;
      return variable->data;
    };
  }
  const std::vector<std::string> refused = arguments.json ? forms::WriteFormsJson(lists, arguments.report, out)
                                                          : forms::WriteFormsText(lists, arguments.report, out);
  for (const std::string &refusal : refused) std::cerr << "setup-sim: forms: " << refusal << "\n";
  return refused.empty() ? 0 : 1;
}

}  // namespace setup_sim
