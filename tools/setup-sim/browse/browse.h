// `setup-sim browse`: the setup menu at the keyboard. Boots the board as a run
// of setup-sim does, then shows the published form sets in a full-screen
// browser; with keys given it replays them without a terminal and writes the
// final screen (for tests, demos and machines without a terminal).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/setup-sim/browse/browser_state.h"
#include "tools/setup-sim/command_line.h"

namespace setup_sim {

// "up,down,enter,f10,y": the key names of --keys. Throws UsageError naming an unknown one.
std::vector<Key> ParseKeys(const std::string &names);

// Runs the browser for line (its board, nvram, keys and screen). Throws
// UsageError when there is no terminal and no keys to replay.
void RunBrowse(const CommandLine &line, std::ostream &out);

}  // namespace setup_sim
