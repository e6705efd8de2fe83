#include "tools/setup-sim/boot_session.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/profile/builtin_files.h"
#include "sim/profile/profile_loader.h"
#include "tools/setup-sim/form_pages.h"
#include "tools/setup-sim/form_settings.h"

namespace setup_sim {
namespace {

namespace fs = std::filesystem;

const char kReferenceBoard[] = "reference";

// A path that exists is a file; otherwise the argument may name a built-in board.
void LoadBoard(const std::string &argument, BootSession &session) {
  if (argument.empty() || (!fs::exists(argument) && sim::BuiltinFileText(argument))) {
    const std::string name = argument.empty() ? kReferenceBoard : argument;
    session.profile = sim::LoadBuiltinBoard(name);
    session.boardSource = "built in";
    return;
  }
  std::ifstream in(argument, std::ios::binary);
  std::ostringstream text;
  if (!fs::is_regular_file(argument) || !(text << in.rdbuf())) {
    throw std::runtime_error(argument + ": cannot read the board profile (no such file, and no built-in board of "
                             "that name)");
  }
  session.profile = sim::LoadBoardProfile(text.str(), argument);
  session.boardSource = argument;
}

void OpenStore(const std::string &path, BootSession &session) {
  if (!path.empty() && fs::exists(path)) {
    session.store = sim::VariableStore::Load(path);
    session.nvramSource = path + " (loaded)";
    return;
  }
  for (const sim::VariableSpec &variable : session.profile.variables) {
    session.store.Put({variable.name, variable.guid, variable.attributes, variable.data});
  }
  session.nvramSource = path.empty() ? "fresh store, not saved" : path + " (fresh store, saved after the boot)";
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

}  // namespace

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
  OpenStore(line.nvram, session);
  ApplySettings(session.profile, line.settings, session.store);
  session.options = line.boot;
  return session;
}

}  // namespace setup_sim
