#include "tools/setup-sim/form_settings.h"

#include <cctype>
#include <optional>

#include "sim/machine/guid_text.h"
#include "sim/profile/number_text.h"
#include "tools/setup-sim/byte_edits.h"
#include "tools/setup-sim/command_line.h"
#include "tools/setup-sim/pages.h"

namespace setup_sim {
namespace {

// "SATA Mode", "sata-mode" and "SATA_MODE" are one name.
std::string Folded(const std::string &text) {
  std::string folded;
  for (const unsigned char c : text) {
    if (std::isalnum(c)) folded += static_cast<char>(std::tolower(c));
  }
  return folded;
}

const Setting &FindSetting(const std::vector<Setting> &settings, const std::string &assignment,
                           const std::string &name) {
  std::string names;
  for (const Setting &setting : settings) {
    if (Folded(setting.prompt) == Folded(name)) return setting;
    names += (names.empty() ? "" : ", ") + setting.prompt;
  }
  throw UsageError(assignment + ": no setting is called " + name + "; the settings are " + names);
}

uint8_t FindOption(const Setting &setting, const std::string &assignment, const std::string &option) {
  const std::optional<uint64_t> number = sim::ParseNumberText(option);
  std::string texts;
  for (const forms::FormOption &choice : setting.item.options) {
    const std::string text = ListString(*setting.list, choice.text);
    if (Folded(text) == Folded(option) || (number && *number == choice.value)) return choice.value;
    texts += (texts.empty() ? "" : ", ") + text;
  }
  throw UsageError(assignment + ": " + setting.prompt + " has no option " + option + "; its options are " +
                   texts);
}

std::u16string VariableName(const forms::FormVarStore &varStore) {
  return std::u16string(varStore.name.begin(), varStore.name.end());
}

// The setting's value in data, little-endian; nullopt when data does not hold all its bytes.
std::optional<uint64_t> SettingValue(const Setting &setting, const std::vector<uint8_t> &data) {
  const forms::FormItem &item = setting.item;
  if (item.offset + size_t{item.width} > data.size()) return std::nullopt;
  return LittleEndianAt(data, item.offset, item.width);
}

const forms::FormOption *OptionOf(const Setting &setting, uint64_t value) {
  for (const forms::FormOption &choice : setting.item.options) {
    if (choice.value == value) return &choice;
  }
  return nullptr;
}

// "Disabled 0, Channel Addressing 1, ...".
std::string OptionList(const Setting &setting) {
  std::string texts;
  for (const forms::FormOption &choice : setting.item.options) {
    texts += (texts.empty() ? "" : ", ") + ListString(*setting.list, choice.text) + " " + std::to_string(choice.value);
  }
  return texts;
}

std::string OptionText(const Setting &setting, const std::optional<uint64_t> &value) {
  if (!value) return "(not stored)";
  const forms::FormOption *option = OptionOf(setting, *value);
  return option != nullptr ? ListString(*setting.list, option->text) : std::to_string(*value);
}

// The short record a boot would keep as it is: why a setting cannot be set in it.
std::string TooShort(const Setting &setting, const forms::FormVarStore &varStore, size_t size) {
  return varStore.name + " is " + std::to_string(size) + " bytes, too short to hold " + SettingBytes(setting) +
         " (" + setting.prompt + "; the forms' record is " + std::to_string(varStore.size) +
         " bytes). A boot keeps a short " + varStore.name +
         " as it is, reading the settings past its end as unset; delete it (setup-sim nvram delete FILE " +
         varStore.name + ") and the next boot that publishes the forms (a first boot, or one with --trigger) "
         "writes their defaults";
}

}  // namespace

std::vector<Setting> AllSettings(const sim::BoardProfile &profile) {
  std::vector<Setting> settings;
  for (const sim::PackageListSpec &list : profile.packageLists) {
    if (list.formPackage.empty()) continue;
    const forms::FormSet formSet = forms::DecodeFormPackage(list.formPackage.data(), list.formPackage.size());
    for (const forms::Form &form : formSet.forms) {
      for (const forms::FormItem &item : form.items) {
        if (item.kind == forms::FormItemKind::Setting) settings.push_back({&list, formSet, item, ListString(list, item.prompt)});
      }
    }
  }
  return settings;
}

const sim::StoredVariable *BoundVariable(const forms::FormSet &formSet, const forms::FormItem &setting,
                                         const sim::VariableStore &store) {
  const forms::FormVarStore *varStore = formSet.FindVarStore(setting.varStoreId);
  if (varStore == nullptr) return nullptr;
  return store.Find(VariableName(*varStore), varStore->guid);
}

bool StoreSettingByte(sim::VariableStore &store, const std::u16string &name, const EFI_GUID &guid, uint16_t offset,
                      uint8_t value) {
  const sim::StoredVariable *stored = store.Find(name, guid);
  if (stored == nullptr || offset >= stored->data.size()) return false;
  sim::StoredVariable changed = *stored;
  changed.data[offset] = value;
  store.Put(changed);
  return true;
}

std::vector<SettingChange> ChangedSettings(const std::vector<Setting> &settings, const sim::StoredVariable *before,
                                           const sim::StoredVariable &after) {
  std::vector<SettingChange> changes;
  for (const Setting &setting : settings) {
    const forms::FormVarStore *varStore = setting.forms.FindVarStore(setting.item.varStoreId);
    if (varStore == nullptr || VariableName(*varStore) != after.name || !sim::GuidEqual(varStore->guid, after.guid)) {
      continue;
    }
    const std::optional<uint64_t> old = before != nullptr ? SettingValue(setting, before->data) : std::nullopt;
    const std::optional<uint64_t> now = SettingValue(setting, after.data);
    if (!now || old == now) continue;
    SettingChange change{setting.prompt + ": " + OptionText(setting, old) + " -> " + OptionText(setting, now), ""};
    if (OptionOf(setting, *now) == nullptr) {
      change.refusal = SettingBytes(setting) + " (" + setting.prompt + ") would hold " + std::to_string(*now) +
                       ", which is none of its options (" + OptionList(setting) + ")";
    }
    changes.push_back(std::move(change));
  }
  return changes;
}

std::string SettingBytes(const Setting &setting) {
  const forms::FormVarStore *varStore = setting.forms.FindVarStore(setting.item.varStoreId);
  return (varStore != nullptr ? varStore->name : "its variable") + " " +
         ByteRange(setting.item.offset, setting.item.width);
}

std::vector<const Setting *> ApplySettings(const std::vector<Setting> &settings,
                                           const std::vector<std::string> &assignments, sim::VariableStore &store,
                                           const std::string &context) {
  std::vector<const Setting *> applied;
  for (const std::string &assignment : assignments) {
    const std::string label = context + assignment;
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos) throw UsageError(label + ": expected NAME=OPTION");
    const Setting &setting = FindSetting(settings, label, assignment.substr(0, equals));
    const uint8_t value = FindOption(setting, label, assignment.substr(equals + 1));
    const forms::FormVarStore *varStore = setting.forms.FindVarStore(setting.item.varStoreId);
    if (varStore == nullptr) throw std::runtime_error(label + ": " + setting.prompt + " is bound to no variable");
    const sim::StoredVariable *stored = store.Find(VariableName(*varStore), varStore->guid);
    if (stored == nullptr) {
      throw std::runtime_error(label + ": the NVRAM store has no " + varStore->name +
                               " variable yet; boot once with --nvram FILE, then set it on that file");
    }
    if (!StoreSettingByte(store, VariableName(*varStore), varStore->guid, setting.item.offset, value)) {
      throw std::runtime_error(label + ": the stored " + TooShort(setting, *varStore, stored->data.size()));
    }
    applied.push_back(&setting);
  }
  return applied;
}

}  // namespace setup_sim
