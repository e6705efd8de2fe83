// The browser drawn as rows of text, laid out like a firmware setup screen: a
// title bar with the lists, the current form's items beside a help pane, the
// last action's events and a key legend, with any popup on top. The terminal
// front end copies it to the screen; --screen writes it to a file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/setup-sim/browse/browser_state.h"

namespace setup_sim {

struct ScreenMark {
  enum Kind { Selected, CurrentList, Dialog } kind = Selected;
  size_t row = 0, column = 0, width = 0;
};

struct Screen {
  std::vector<std::vector<std::string>> cells;  // [row][column]: one UTF-8 character each
  std::vector<ScreenMark> marks;                // where the terminal shows emphasis
};

inline constexpr size_t kLeastRows = 25;
inline constexpr size_t kLeastColumns = 80;

// rows and columns of at least kLeastRows and kLeastColumns.
Screen DrawBrowser(const BrowserState &state, size_t rows, size_t columns);
// One row as UTF-8; the rows with their trailing blanks dropped, one a line.
std::string RowText(const Screen &screen, size_t row);
std::string ScreenText(const Screen &screen);

}  // namespace setup_sim
