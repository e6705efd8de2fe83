// Settings of the setup forms by name: `--set NAME=OPTION` changes the byte a
// one-of question edits in the stored variable it is bound to, as the menu's
// browser would on save, so a user can try a setting without editing hex.
// The same code serves `setup-sim nvram set FILE NAME=OPTION`, and every path
// that writes such a variable checks here that a setting's bytes hold a value
// one of its options allows, as the firmware's variable checks would.
#pragma once

#include <string>
#include <vector>

#include "forms/host/form_package.h"
#include "sim/board_profile.h"
#include "sim/variable_store.h"

namespace setup_sim {

// One one-of question of the profile's forms.
struct Setting {
  const sim::PackageListSpec *list = nullptr;
  forms::FormSet forms;
  forms::FormItem item;
  std::string prompt;
};

std::vector<Setting> AllSettings(const sim::BoardProfile &profile);

// The stored variable a setting's variable store names; null when the store
// is not an EFI variable of the form set or the variable does not exist.
const sim::StoredVariable *BoundVariable(const forms::FormSet &formSet, const forms::FormItem &setting,
                                         const sim::VariableStore &store);

// Writes value into byte offset of the stored variable; false when the variable
// does not exist or does not hold that byte.
bool StoreSettingByte(sim::VariableStore &store, const std::u16string &name, const EFI_GUID &guid, uint16_t offset,
                      uint8_t value);

// A setting a change reached, as "SATA Mode: Channel Addressing -> Disabled";
// a value that is none of the options reads as its number.
struct SettingChange {
  std::string description;
  // Empty when the new value is one of the setting's options; otherwise why it
  // is not: "Setup byte 4 (SATA Mode) would hold 7, which is none of its options (...)".
  std::string refusal;
};

// The settings bound to variable whose bytes differ between before (null: the
// variable is new) and after, each with its old and new option.
std::vector<SettingChange> ChangedSettings(const std::vector<Setting> &settings, const sim::StoredVariable *before,
                                           const sim::StoredVariable &after);

// The byte range a setting edits, as "Setup byte 4" for one byte, "Setup bytes 4-5" for more.
std::string SettingBytes(const Setting &setting);

// Applies each NAME=OPTION in order. NAME is a setting's prompt and OPTION one of
// its option texts (or the option's value); case, blanks and punctuation do not
// matter ("sata-mode=disabled"). Throws UsageError naming the assignment (after
// context, "--set ") and the choices when a name or option is unknown, and
// std::runtime_error when the store has no variable that holds the setting's
// byte. Returns the setting of each assignment, in order.
std::vector<const Setting *> ApplySettings(const std::vector<Setting> &settings, const std::vector<std::string> &assignments,
                   sim::VariableStore &store, const std::string &context = "--set ");

}  // namespace setup_sim
