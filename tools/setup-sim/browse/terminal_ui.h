// The browser on a real terminal, through ncurses: draws the screen, reads keys
// and hands each to the caller until it says to stop. The terminal is restored
// on every way out: a normal exit, an exception, or a signal.
#pragma once

#include <functional>

#include "tools/setup-sim/browse/screen_layout.h"

namespace setup_sim {

// onKey returns false to leave. Returns the last screen drawn.
Screen RunTerminal(const BrowserState &state, const std::function<bool(Key)> &onKey);

}  // namespace setup_sim
