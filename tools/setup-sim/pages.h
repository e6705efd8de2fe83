// The setup pages as the boot left them: for each package list, the final text
// of every string the driver set, in string-id order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/board_profile.h"
#include "sim/boot.h"

namespace setup_sim {

struct PageString {
  uint16_t id = 0;
  std::string label;  // the list's label, or "String <id>" when the list has none
  std::string text;   // UTF-8
};

struct Page {
  uint16_t formClass = 0;
  std::string title;  // "Class 2 (Advanced)"
  bool removed = false;  // the driver removed the list from the HII database after publishing
  std::vector<PageString> strings;
};

// 16-bit text as UTF-8; a lone surrogate shows as U+FFFD.
std::string DisplayText(std::u16string text);
// text followed by blanks up to width bytes; text as it is when it is that long already.
std::string Padded(const std::string &text, size_t width);
// The list's own text of string id (as UTF-8); empty for an id the list lacks.
std::string ListString(const sim::PackageListSpec &list, uint16_t id);

// One page per package list of the profile, in the profile's order; strings set
// for a class without a list get a page of their own at the end.
std::vector<Page> CollectPages(const sim::BoardProfile &profile, const sim::BootReport &report);

}  // namespace setup_sim
