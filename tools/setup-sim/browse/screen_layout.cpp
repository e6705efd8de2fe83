#include "tools/setup-sim/browse/screen_layout.h"

#include <algorithm>

namespace setup_sim {
namespace {

constexpr size_t kPromptWidth = 26;
constexpr size_t kPromptWrap = 25;  // a prompt's text, one blank short of its column, as the firmware's browser wraps
constexpr size_t kHelpWidth = 23;  // the help pane beside the form
constexpr const char kLegend[] = "Left/Right list  Up/Down item  Enter select  Esc back  F9 defaults  F10 save";

bool StartsCodePoint(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

size_t Width(const std::string &text) { return std::count_if(text.begin(), text.end(), StartsCodePoint); }

// text cut or padded to exactly width code points.
std::string Fit(const std::string &text, size_t width) {
  std::string out;
  size_t used = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (StartsCodePoint(text[i])) {
      if (used == width) break;
      ++used;
    }
    out += text[i];
  }
  return out + std::string(width - used, ' ');
}

// Writes text into row from column on, cut at the row's end.
void Put(Screen &screen, size_t row, size_t column, const std::string &text) {
  std::vector<std::string> &cells = screen.cells[row];
  for (size_t i = 0; i < text.size(); ++i) {
    if (StartsCodePoint(text[i])) {
      if (column >= cells.size()) return;
      cells[column++].clear();
    }
    cells[column - 1] += text[i];
  }
}

// text in lines of at most width code points, broken at blanks; a word longer than a line is cut.
std::vector<std::string> Wrapped(const std::string &text, size_t width) {
  std::vector<std::string> lines;
  std::string line;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && Width(line) + 1 + Width(word) > width) {
      lines.push_back(line);
      line.clear();
    }
    while (Width(word) > width) {
      const std::string head = Fit(word, width);
      lines.push_back(head);
      word.erase(0, head.size());
    }
    line += (line.empty() ? "" : " ") + word;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// text as it is when it fits width, else wrapped.
std::vector<std::string> Column(const std::string &text, size_t width) {
  return Width(text) <= width ? std::vector<std::string>{text} : Wrapped(text, width);
}

std::string OptionText(const BrowserState &state, const FormLine &line) {
  const std::optional<uint8_t> value = state.ShownValue(line);
  if (!value) return "<no stored value>";
  for (const auto &[text, option] : line.options) {
    if (option == *value) return "<" + text + ">";
  }
  return "<" + std::to_string(*value) + "?>";
}

// A prompt and its value side by side: the prompt wrapped within its column, the
// value beside its first row and wrapped within the rest, one blank short of
// the help pane, so no two columns touch.
std::vector<std::string> TwoColumns(const std::string &prompt, const std::string &value, size_t width) {
  const std::vector<std::string> prompts = Column(prompt, kPromptWrap);
  const std::vector<std::string> values = Column(value, width - 2 - kPromptWidth - 1);
  std::vector<std::string> rows;
  for (size_t i = 0; i < std::max(prompts.size(), values.size()); ++i) {
    rows.push_back("  " + Fit(i < prompts.size() ? prompts[i] : "", kPromptWidth) + (i < values.size() ? values[i] : ""));
  }
  return rows;
}

// An item's rows within width columns (the marker column not counted).
std::vector<std::string> ItemRows(const BrowserState &state, const FormLine &line, size_t width) {
  switch (line.kind) {
    case LineKind::Subtitle: return {line.prompt};
    case LineKind::Text: return TwoColumns(line.prompt, line.value, width);
    case LineKind::Form: return {"  > " + line.value};
    case LineKind::Action: return {"  " + line.prompt};
    case LineKind::Setting: return TwoColumns(line.prompt, OptionText(state, line), width);
  }
  return {};
}

void DrawTitleBar(const BrowserState &state, Screen &screen) {
  size_t column = 1;
  for (size_t i = 0; i < state.Pages().size(); ++i) {
    const std::string title = state.Pages()[i].title;
    const bool current = i == state.PageIndex();
    Put(screen, 0, column, current ? "[" + title + "]" : " " + title + " ");
    if (current) screen.marks.push_back({ScreenMark::CurrentList, 0, column, Width(title) + 2});
    column += Width(title) + 2;
  }
}

void DrawBox(Screen &screen, const std::vector<std::string> &lines, size_t selected) {
  size_t inner = 0;
  for (const std::string &line : lines) inner = std::max(inner, Width(line));
  const size_t columns = screen.cells[0].size();
  const size_t rows = screen.cells.size();
  inner = std::min(inner + 2, columns - 4);
  const size_t height = std::min(lines.size(), rows - 6);
  const size_t top = (rows - height - 2) / 2;
  const size_t left = (columns - inner - 2) / 2;
  Put(screen, top, left, "+" + std::string(inner, '-') + "+");
  for (size_t i = 0; i < height; ++i) {
    // The highlighted choice is marked in the text too, so a screen written to a file shows what Enter picks.
    Put(screen, top + 1 + i, left, "|" + Fit((i == selected ? ">" : " ") + lines[i], inner) + "|");
    if (i == selected) screen.marks.push_back({ScreenMark::Selected, top + 1 + i, left + 1, inner});
  }
  Put(screen, top + 1 + height, left, "+" + std::string(inner, '-') + "+");
  screen.marks.push_back({ScreenMark::Dialog, top, left, inner + 2});
}

void DrawForm(const BrowserState &state, Screen &screen, size_t top, size_t bottom, size_t width) {
  const FormView *form = state.CurrentForm();
  if (form == nullptr) {
    Put(screen, top, 1, "(no published form set)");
    return;
  }
  Put(screen, top, 1, form->title);
  const size_t first = top + 2;
  const size_t visible = bottom - first;
  const size_t selected = state.Selected();
  std::vector<std::vector<std::string>> rows;
  for (const FormLine &line : form->lines) rows.push_back(ItemRows(state, line, width - 1));
  // The first item shown: the highlighted item's rows all on the screen, and as many before it as fit.
  size_t scroll = std::min(selected, rows.size());
  size_t used = scroll < rows.size() ? rows[scroll].size() : 0;
  while (scroll > 0 && used + rows[scroll - 1].size() <= visible) used += rows[--scroll].size();
  size_t row = first;
  for (size_t i = scroll; i < rows.size() && row < bottom; ++i) {
    const bool chosen = i == selected && form->lines[i].kind != LineKind::Subtitle;
    for (size_t part = 0; part < rows[i].size() && row < bottom; ++part, ++row) {
      Put(screen, row, 0, Fit((chosen && part == 0 ? ">" : " ") + rows[i][part], width));
      if (chosen) screen.marks.push_back({ScreenMark::Selected, row, 0, width});
    }
  }
  if (selected < form->lines.size()) {
    const std::vector<std::string> help = Wrapped(form->lines[selected].help, screen.cells[0].size() - width - 3);
    for (size_t i = 0; i < help.size() && top + i < bottom; ++i) Put(screen, top + i, width + 2, help[i]);
  }
}

}  // namespace

Screen DrawBrowser(const BrowserState &state, size_t rows, size_t columns) {
  rows = std::max(rows, kLeastRows);
  columns = std::max(columns, kLeastColumns);
  Screen screen;
  screen.cells.assign(rows, std::vector<std::string>(columns, " "));
  DrawTitleBar(state, screen);
  Put(screen, 1, 0, std::string(columns, '='));
  const size_t formWidth = columns - kHelpWidth - 1;
  const size_t bottom = rows - 4;
  for (size_t row = 2; row < bottom; ++row) Put(screen, row, formWidth, "|");
  DrawForm(state, screen, 2, bottom, formWidth);
  Put(screen, bottom, 0, std::string(columns, '='));
  Put(screen, rows - 3, 1, state.EventLine().empty() ? "" : "Last action: " + state.EventLine());
  Put(screen, rows - 2, 1, kLegend);
  Put(screen, rows - 1, 1, state.Question());
  if (!state.Question().empty()) screen.marks.push_back({ScreenMark::Dialog, rows - 1, 1, Width(state.Question())});
  if (const std::vector<std::string> *options = state.OpenOptions()) DrawBox(screen, *options, state.OptionSelected());
  if (state.MessageBox()) DrawBox(screen, Wrapped(*state.MessageBox(), columns - 10), SIZE_MAX);
  return screen;
}

std::string RowText(const Screen &screen, size_t row) {
  std::string text;
  for (const std::string &cell : screen.cells[row]) text += cell;
  return text;
}

std::string ScreenText(const Screen &screen) {
  std::string text;
  for (size_t row = 0; row < screen.cells.size(); ++row) {
    const std::string line = RowText(screen, row);
    const size_t end = line.find_last_not_of(' ');
    text += (end == std::string::npos ? "" : line.substr(0, end + 1)) + "\n";
  }
  return text;
}

}  // namespace setup_sim
