#include "tools/setup-sim/browse/browse.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tools/setup-sim/browse/browse_session.h"
#include "tools/setup-sim/browse/screen_layout.h"
#include "tools/setup-sim/browse/terminal_ui.h"

namespace setup_sim {
namespace {

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

void RunBrowse(const CommandLine &line, std::ostream &out) {
  const std::vector<Key> keys = ParseKeys(line.keys);
  const bool replay = !line.keys.empty();
  if (!replay && !(isatty(STDIN_FILENO) && isatty(STDOUT_FILENO))) {
    throw UsageError("browse needs a terminal; without one, give the keys to replay with --keys (e.g. "
                     "--keys right,down,enter) and read the final screen from --screen FILE or standard output");
  }
  const bool laterBoot = !line.nvram.empty() && std::filesystem::exists(line.nvram);
  BrowseSession session(OpenSession(line), line.nvram, laterBoot);
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
  if (!line.screen.empty()) {
    std::ofstream file(line.screen, std::ios::binary | std::ios::trunc);
    if (!(file << ScreenText(last))) throw std::runtime_error(line.screen + ": cannot write the screen");
  } else if (replay) {
    out << ScreenText(last);
  }
}

}  // namespace setup_sim
