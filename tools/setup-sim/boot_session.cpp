#include "tools/setup-sim/boot_session.h"


#include <cstdio>

#include "sim/machine/driver_module.h"
#include "sim/machine/user_file.h"

#include "sim/profile/builtin_files.h"
#include "sim/profile/profile_loader.h"
#include "tools/setup-sim/form_pages.h"
#include "tools/setup-sim/form_settings.h"

namespace setup_sim {
namespace {

const char kReferenceBoard[] = "reference";

std::string BuiltinBoardList() {
  std::string names;
  for (const std::string &name : sim::BuiltinBoardNames()) names += (names.empty() ? "" : ", ") + name;
  return names;
}

void LoadBoard(const std::string &argument, BootSession &session) {
  const BoardChoice choice = ChooseBoard(argument, session.warnings);
  session.profile = choice.builtin ? sim::LoadBuiltinBoard(choice.name) : sim::LoadBoardProfileFile(choice.name);
  session.boardSource = choice.builtin ? "built in" : choice.name;
  session.warnings.insert(session.warnings.end(), session.profile.warnings.begin(), session.profile.warnings.end());
}

// The module's identity by content (64-bit FNV-1a, hex), so that a report says
// which build of the module ran, and two runs of one build compare equal.
std::string ContentHash(const std::string &path) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (const char byte : sim::ReadDriverModuleFile(path)) hash = (hash ^ static_cast<uint8_t>(byte)) * 0x100000001B3ull;
  char text[24];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

void OpenStore(const CommandLine &line, BootSession &session) {
  if (!line.nvram.empty() && line.save) sim::VariableStore::CheckSavable(line.nvram, kNvramOption);
  const char *const saving = line.save ? "saved after the boot" : "not saved: --no-save";
  if (!line.nvram.empty() && sim::PathExists(line.nvram)) {
    session.store = sim::VariableStore::Load(line.nvram, kNvramOption);
    session.nvramSource = line.nvram + " (loaded, " + saving + ")";
    const std::string &writer = session.store.Board();
    if (!writer.empty() && writer != session.profile.name) {
      session.warnings.push_back("NVRAM file " + line.nvram + " was last saved by a boot of board \"" + writer +
                                 "\"; this boot is of board \"" + session.profile.name + "\"");
    }
    return;
  }
  std::vector<sim::StoredVariable> seeds;
  seeds.reserve(session.profile.variables.size());
  for (const sim::VariableSpec &variable : session.profile.variables) {
    seeds.push_back({variable.name, variable.guid, variable.attributes, variable.data});
  }
  session.store = sim::VariableStore::WithVariables(std::move(seeds));
  session.nvramSource = line.nvram.empty() ? "fresh store, not saved" : line.nvram + " (fresh store, " + saving + ")";
}

void CheckCallbacks(const CommandLine &line, const sim::BoardProfile &profile) {
  for (const auto &[formClass, key] : line.boot.callbacks) {
    bool listed = false;
    for (const sim::PackageListSpec &list : profile.packageLists) listed = listed || list.formClass == formClass;
    if (!listed) {
      throw UsageError("--callback " + std::to_string(formClass) + ":" + std::to_string(key) +
                       ": the board has no package list of class " + std::to_string(formClass));
    }
  }
}

// A later boot is one whose store already holds LastLangCodes, as the driver itself decides.
bool IsLaterBoot(const sim::VariableStore &store) {
  for (const sim::StoredVariable &variable : store.All()) {
    if (variable.name == u"LastLangCodes") return true;
  }
  return false;
}

}  // namespace

BoardChoice ChooseBoard(const std::string &argument, std::vector<std::string> &warnings) {
  const std::string name = argument.empty() ? kReferenceBoard : argument;
  if (!sim::LooksLikeProfilePath(name) && sim::BuiltinFileText(name) && name != sim::kPackageListsFile) {
    if (sim::PathExists(name)) {
      warnings.push_back("--board " + name + ": the built-in board; the file ./" + name + " is not read (write ./" +
                         name + " for the file)");
    }
    return {true, name};
  }
  if (!sim::LooksLikeProfilePath(name) && !sim::PathExists(name)) {
    throw std::runtime_error(name + ": cannot read the board profile: no such file, and no built-in board of that "
                             "name (built in: " + BuiltinBoardList() + ")");
  }
  return {false, name};
}

BootSession OpenSession(const CommandLine &line) {
  BootSession session;
  LoadBoard(line.board, session);
  CheckCallbacks(line, session.profile);
  if (!line.page.empty()) {
    try {
      session.formPages = SelectPages(session.profile, line.page);
    } catch (const std::invalid_argument &error) {
      throw UsageError(error.what());
    }
  }
  OpenStore(line, session);
  if (!line.settings.empty()) ApplySettings(AllSettings(session.profile), line.settings, session.store);
  session.settings = line.settings;
  session.page = line.page;
  session.laterBoot = IsLaterBoot(session.store);
  session.options = line.boot;
  if (session.options.driverModule.empty()) session.options.driverModule = sim::DriverModule::DefaultPath();
  session.driverModule = session.options.driverModule;
  session.driverModuleHash = ContentHash(session.driverModule);
  return session;
}

void AddBootWarnings(BootSession &session) {
  for (const sim::CallbackOutcome &callback : session.report.callbacks) {
    char name[32];
    std::snprintf(name, sizeof name, "--callback %u:0x%X", callback.formClass, callback.key);
    if (!callback.reached) {
      session.warnings.push_back(std::string(name) + ": no published package list of class " +
                                 std::to_string(callback.formClass) +
                                 " had a form callback (not published, or removed), so nothing was called");
    } else if (callback.effects == 0) {
      session.warnings.push_back(std::string(name) +
                                 ": the driver changed nothing (no string, variable or event); no item may answer "
                                 "that key");
    }
  }
}

}  // namespace setup_sim
