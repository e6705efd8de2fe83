#include "tools/setup-sim/browse/browse.h"

#include <unistd.h>

#include "sim/machine/user_file.h"
#include "tools/setup-sim/browse/browse_session.h"
#include "tools/setup-sim/browse/screen_layout.h"
#include "tools/setup-sim/browse/terminal_ui.h"
#include "tools/setup-sim/cli_parse.h"

namespace setup_sim {
namespace {

constexpr char kScreenOption[] = "--screen";

const struct {
  const char *name;
  Key key;
} kKeyNames[] = {{"up", Key::Up},       {"down", Key::Down},       {"left", Key::Left}, {"right", Key::Right},
                 {"enter", Key::Enter}, {"esc", Key::Esc},         {"f9", Key::F9},     {"f10", Key::F10},
                 {"y", Key::Yes},       {"n", Key::No},            {"pgup", Key::PageUp}, {"pgdn", Key::PageDown}};

}  // namespace

std::vector<Key> ParseKeys(const std::string &names) {
  std::vector<Key> keys;
  size_t start = 0;
  while (start <= names.size() && !names.empty()) {
    size_t end = names.find(',', start);
    if (end == std::string::npos) end = names.size();
    const std::string name = names.substr(start, end - start);
    bool known = false;
    for (const auto &entry : kKeyNames) {
      if (name == entry.name) {
        keys.push_back(entry.key);
        known = true;
      }
    }
    if (!known) {
      std::string all;
      for (const auto &entry : kKeyNames) all += (all.empty() ? "" : ", ") + std::string(entry.name);
      throw UsageError("--keys: unknown key \"" + name + "\"; the keys are " + all);
    }
    start = end + 1;
  }
  return keys;
}

namespace {

bool ApplyKey(BrowseSession &session, BrowserState &state, Key key) {
  const BrowserRequest request = state.Press(key);
  switch (request.kind) {
    case BrowserRequest::RunAction: {
      const ActionResult result = session.RunAction(request.formClass, request.key);
      state.Refresh(session.Pages());
      state.SetEvents(result.events, result.messageBox);
      return true;
    }
    case BrowserRequest::SaveAndReboot:
      session.SaveAndReboot(state.Edits());
      state.ClearEdits();
      state.Refresh(session.Pages());
      state.SetEvents("settings saved; rebooted (a later boot with the trigger)", std::nullopt);
      return true;
    case BrowserRequest::Exit:
      return false;
    case BrowserRequest::None:
      return true;
  }
  return true;
}

}  // namespace

int RunBrowseCommand(int argc, const char *const *argv, std::ostream &out) {
  CommandLine line;
  std::string keyNames, screenFile;
  CLI::App app("Boots as setup-sim does (a first boot on a fresh store, a later boot with the trigger on a saved\n"
               "one), then shows the setup menu full-screen: Left/Right between the lists, Up/Down between items,\n"
               "Enter opens a subform, runs an action item or opens a setting's options, Esc goes back, F9 loads\n"
               "the defaults, F10 saves the settings to the NVRAM file and reboots.",
               "setup-sim browse");
  app.add_option("--board", line.board, "Board profile: a JSON file or a built-in board's name")->type_name("FILE");
  app.add_option("--nvram", line.nvram, "NVRAM store, loaded before the boot and saved after each")->type_name("FILE");
  const CLI::Option *keysOption = app.add_option("--keys", keyNames,
                 "Replay these keys without a terminal: up, down, left, right, enter, esc, f9, f10, y, n, pgup, "
                 "pgdn, separated by commas")
      ->type_name("KEYS");
  app.add_option("--screen", screenFile, "Write the final screen as text to FILE (default with --keys: standard output)")
      ->type_name("FILE");
  app.footer("See docs/simulator.md.");
  if (!ParseArguments(app, argc, argv, out, "browse: ")) return 0;
  const bool replay = keysOption->count() > 0;
  if (replay && keyNames.empty()) {
    throw UsageError("--keys: the key list is empty; give the keys to replay separated by commas, e.g. "
                     "--keys right,down,enter");
  }
  const std::vector<Key> keys = ParseKeys(keyNames);
  if (!replay && !(isatty(STDIN_FILENO) && isatty(STDOUT_FILENO))) {
    throw UsageError("browse needs a terminal; without one, give the keys to replay with --keys (e.g. "
                     "--keys right,down,enter) and read the final screen from --screen FILE or standard output");
  }
  BrowseSession session(OpenSession(line), line.nvram);
  if (!screenFile.empty()) sim::CheckWritable(screenFile, kScreenOption);
  session.Boot();
  BrowserState state(session.Pages());
  Screen last;
  if (replay) {
    for (const Key key : keys) {
      if (!ApplyKey(session, state, key)) break;
    }
    last = DrawBrowser(state, kLeastRows, kLeastColumns);
  } else {
    last = RunTerminal(state, [&](Key key) { return ApplyKey(session, state, key); });
  }
  if (!screenFile.empty()) {
    sim::WriteUserFile(screenFile, ScreenText(last), kScreenOption);
  } else if (replay) {
    out << ScreenText(last);
  }
  return 0;
}

}  // namespace setup_sim
