#include "tools/setup-sim/browse/terminal_ui.h"

#include <curses.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <iterator>
#include <string>

namespace setup_sim {
namespace {

constexpr int kEscapeDelayMs = 50;
// curses sees a resize only when its SIGWINCH interrupts the wait for a key; one that
// arrives while the browser draws (a window dragged, stty's rows then cols) would wait
// for the next key. The wait therefore ends this often to compare the terminal's size.
constexpr int kResizeCheckMs = 200;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RestoreAndRaise(int signal) {
  endwin();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Owns the terminal while the browser runs.
class CursesScreen {
 public:
  CursesScreen() {
    std::setlocale(LC_ALL, "");
    initscr();
    for (const int signal : kSignals) std::signal(signal, RestoreAndRaise);
    cbreak();
    noecho();
    keypad(stdscr, TRUE);
    set_escdelay(kEscapeDelayMs);
    curs_set(0);
    timeout(kResizeCheckMs);
  }
  ~CursesScreen() {
    endwin();
    for (const int signal : kSignals) std::signal(signal, SIG_DFL);
  }
  CursesScreen(const CursesScreen &) = delete;
  CursesScreen &operator=(const CursesScreen &) = delete;
};

// Too small a terminal would clip the browser: it says the size needed instead, until a resize
// (curses answers SIGWINCH with KEY_RESIZE, and every key redraws) makes room.
bool TooSmall(int rows, int columns) {
  return rows < static_cast<int>(kLeastRows) || columns < static_cast<int>(kLeastColumns);
}

void DrawSizeNotice(int rows, int columns) {
  const std::string lines[] = {
      "The setup browser needs a terminal",
      "of at least " + std::to_string(kLeastColumns) + " columns and " + std::to_string(kLeastRows) + " rows;",
      "this one has " + std::to_string(columns) + " columns and " + std::to_string(rows) + " rows.",
      "Enlarge it to go on; Ctrl-C leaves.",
  };
  for (int row = 0; row < static_cast<int>(std::size(lines)) && row < rows; ++row) {
    mvaddnstr(row, 0, lines[row].c_str(), columns);
  }
}

// The browser as the terminal shows it; the screen returned is drawn at least 80x25, for --screen.
Screen Draw(const BrowserState &state) {
  int rows = 0, columns = 0;
  getmaxyx(stdscr, rows, columns);
  Screen screen = DrawBrowser(state, static_cast<size_t>(rows), static_cast<size_t>(columns));
  erase();
  if (TooSmall(rows, columns)) {
    DrawSizeNotice(rows, columns);
    refresh();
    return screen;
  }
  for (size_t row = 0; row < screen.cells.size() && static_cast<int>(row) < rows; ++row) {
    mvaddnstr(static_cast<int>(row), 0, RowText(screen, row).c_str(), -1);
  }
  for (const ScreenMark &mark : screen.marks) {
    const attr_t attribute = mark.kind == ScreenMark::Selected ? A_REVERSE : A_BOLD;
    mvchgat(static_cast<int>(mark.row), static_cast<int>(mark.column), static_cast<int>(mark.width), attribute, 0,
            nullptr);
  }
  refresh();
  return screen;
}

std::optional<Key> KeyOf(int code) {
  switch (code) {
    case KEY_UP: return Key::Up;
    case KEY_DOWN: return Key::Down;
    case KEY_LEFT: return Key::Left;
    case KEY_RIGHT: return Key::Right;
    case KEY_PPAGE: return Key::PageUp;
    case KEY_NPAGE: return Key::PageDown;
    case KEY_ENTER: case '\n': case '\r': return Key::Enter;
    case 27: return Key::Esc;
    case 'y': case 'Y': return Key::Yes;
    case 'n': case 'N': return Key::No;
    default: break;
  }
  if (code == KEY_F(9)) return Key::F9;
  if (code == KEY_F(10)) return Key::F10;
  return std::nullopt;
}

// A wait that brought no key: it timed out, or the terminal hung up (a key arriving
// meanwhile only makes the input readable, which the next wait reads).
bool TerminalGone() {
  pollfd input = {STDIN_FILENO, POLLIN, 0};
  return ::poll(&input, 1, 0) > 0 && (input.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// Brings curses to the terminal's size; true when that changed.
bool FollowTerminalSize() {
  winsize size = {};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || (size.ws_row == LINES && size.ws_col == COLS)) return false;
  resizeterm(size.ws_row, size.ws_col);
  return true;
}

}  // namespace

Screen RunTerminal(const BrowserState &state, const std::function<bool(Key)> &onKey) {
  CursesScreen terminal;
  Screen screen = Draw(state);
  for (;;) {
    const int code = getch();
    if (code == ERR) {
      if (TerminalGone()) break;
      if (FollowTerminalSize()) screen = Draw(state);
      continue;
    }
    const std::optional<Key> key = KeyOf(code);
    // Keys are not acted on blind while the notice hides the browser.
    if (key && !TooSmall(LINES, COLS) && !onKey(*key)) break;
    screen = Draw(state);
  }
  return screen;
}

}  // namespace setup_sim
