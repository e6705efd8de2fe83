// The setup pages as the menu's browser draws them: each form of a package
// list's form set with its items in order, a prompt beside each value. Values
// are the strings as the boot left them (the driver's, else the list's own
// text), settings read their option from the stored variable they are bound to.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/board_profile.h"
#include "sim/boot.h"
#include "sim/variable_store.h"

namespace setup_sim {

enum class LineKind { Subtitle, Text, Form, Action, Setting };

struct FormLine {
  LineKind kind = LineKind::Subtitle;
  std::string prompt;
  std::string help;
  std::string value;          // Text: the string; Setting: the current option's text; Form: the target's title
  bool listText = false;      // Text: the driver did not set the string, the list's own text shows
  uint16_t stringId = 0;      // Text: the value's string id
  uint16_t questionId = 0;    // Form, Action (the form-callback key), Setting
  uint8_t questionFlags = 0;  // Form, Action, Setting
  uint16_t targetForm = 0;    // Form
  uint16_t offset = 0;        // Setting: the first byte of its value in its variable
  uint8_t width = 1;          // Setting: bytes of its value
  uint16_t varStoreId = 0;    // Setting: the form set's store, its variable's name and GUID
  std::u16string variable;
  EFI_GUID variableGuid{};
  std::optional<uint8_t> current;  // Setting: the stored byte; nullopt when the variable lacks it
  std::optional<uint64_t> storedValue;  // Setting: the stored value, width bytes little-endian
  std::vector<std::pair<std::string, uint8_t>> options;  // Setting
  std::string defaultOption;  // Setting
  std::optional<uint64_t> defaultValue;  // Setting: the standard default's value
};

struct FormView {
  uint16_t id = 0;
  std::string title;
  std::vector<FormLine> lines;
};

struct FormPage {
  uint16_t formClass = 0;
  std::string title;
  std::string help;
  bool published = false;  // the list was published during the boot
  bool removed = false;    // ...and removed from the HII database again
  std::vector<FormView> forms;
};

// The page of one package list; a list without forms gives a page without forms.
FormPage RenderFormPage(const sim::PackageListSpec &list, const sim::BootReport &report,
                        const sim::VariableStore &store);

// The lists a --page argument names: a class number, a title (any case) or "all".
// Throws std::invalid_argument naming the choices for anything else.
std::vector<const sim::PackageListSpec *> SelectPages(const sim::BoardProfile &profile, const std::string &which);

}  // namespace setup_sim
