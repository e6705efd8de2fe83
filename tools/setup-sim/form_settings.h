// Settings of the setup forms by name: `--set NAME=OPTION` changes the byte a
// one-of question edits in the stored variable it is bound to, as the menu's
// browser would on save, so a user can try a setting without editing hex.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sim/board_profile.h"
#include "forms/host/form_package.h"
#include "sim/variable_store.h"

namespace setup_sim {

// A setting of the forms, the bytes of the variable it edits and its options'
// texts, so that a change of those bytes can be told by name.
struct NamedSetting {
  std::string prompt;
  std::string variable;  // the variable store's name
  EFI_GUID guid{};
  uint16_t offset = 0;
  uint8_t width = 1;  // bytes, little-endian
  std::vector<std::pair<uint64_t, std::string>> options;  // value, text
};

std::vector<NamedSetting> NamedSettings(const sim::BoardProfile &profile);

// The stored variable a setting's variable store names; null when the store
// is not an EFI variable of the form set or the variable does not exist.
const sim::StoredVariable *BoundVariable(const forms::FormSet &formSet, const forms::FormItem &setting,
                                         const sim::VariableStore &store);

// Writes value into byte offset of the stored variable; false when the variable
// does not exist or does not hold that byte.
bool StoreSettingByte(sim::VariableStore &store, const std::u16string &name, const EFI_GUID &guid, uint16_t offset,
                      uint8_t value);

// Applies each NAME=OPTION in order. NAME is a setting's prompt and OPTION one of
// its option texts (or the option's value); case, blanks and punctuation do not
// matter ("sata-mode=disabled"). Throws UsageError naming the assignment and
// the choices when a name or option is unknown, and std::runtime_error when the
// store has no variable that holds the setting's byte.
void ApplySettings(const sim::BoardProfile &profile, const std::vector<std::string> &assignments,
                   sim::VariableStore &store);

}  // namespace setup_sim
