#include "tools/setup-sim/form_settings.h"

#include <cctype>
#include <optional>

#include "sim/profile/number_text.h"
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

struct Setting {
  const sim::PackageListSpec *list = nullptr;
  forms::FormSet forms;
  forms::FormItem item;
  std::string prompt;
};

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

const Setting &FindSetting(const std::vector<Setting> &settings, const std::string &assignment,
                           const std::string &name) {
  std::string names;
  for (const Setting &setting : settings) {
    if (Folded(setting.prompt) == Folded(name)) return setting;
    names += (names.empty() ? "" : ", ") + setting.prompt;
  }
  throw UsageError("--set " + assignment + ": no setting is called " + name + "; the settings are " + names);
}

uint8_t FindOption(const Setting &setting, const std::string &assignment, const std::string &option) {
  const std::optional<uint64_t> number = sim::ParseNumberText(option);
  std::string texts;
  for (const forms::FormOption &choice : setting.item.options) {
    const std::string text = ListString(*setting.list, choice.text);
    if (Folded(text) == Folded(option) || (number && *number == choice.value)) return choice.value;
    texts += (texts.empty() ? "" : ", ") + text;
  }
  throw UsageError("--set " + assignment + ": " + setting.prompt + " has no option " + option + "; its options are " +
                   texts);
}

}  // namespace

std::vector<NamedSetting> NamedSettings(const sim::BoardProfile &profile) {
  std::vector<NamedSetting> named;
  for (const Setting &setting : AllSettings(profile)) {
    const forms::FormVarStore *varStore = setting.forms.FindVarStore(setting.item.varStoreId);
    if (varStore == nullptr) continue;
    NamedSetting each{setting.prompt, varStore->name, varStore->guid, setting.item.offset, setting.item.width, {}};
    for (const forms::FormOption &option : setting.item.options) {
      each.options.emplace_back(option.value, ListString(*setting.list, option.text));
    }
    named.push_back(std::move(each));
  }
  return named;
}

const sim::StoredVariable *BoundVariable(const forms::FormSet &formSet, const forms::FormItem &setting,
                                         const sim::VariableStore &store) {
  const forms::FormVarStore *varStore = formSet.FindVarStore(setting.varStoreId);
  if (varStore == nullptr) return nullptr;
  return store.Find(std::u16string(varStore->name.begin(), varStore->name.end()), varStore->guid);
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

void ApplySettings(const sim::BoardProfile &profile, const std::vector<std::string> &assignments,
                   sim::VariableStore &store) {
  if (assignments.empty()) return;
  const std::vector<Setting> settings = AllSettings(profile);
  for (const std::string &assignment : assignments) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos) throw UsageError("--set " + assignment + ": expected NAME=OPTION");
    const Setting &setting = FindSetting(settings, assignment, assignment.substr(0, equals));
    const uint8_t value = FindOption(setting, assignment, assignment.substr(equals + 1));
    const forms::FormVarStore *varStore = setting.forms.FindVarStore(setting.item.varStoreId);
    const bool stored = varStore != nullptr &&
                        StoreSettingByte(store, std::u16string(varStore->name.begin(), varStore->name.end()),
                                         varStore->guid, setting.item.offset, value);
    if (!stored) {
      throw std::runtime_error("--set " + assignment + ": the NVRAM store has no " +
                               (varStore == nullptr ? std::string("variable") : varStore->name) + " variable holding byte " +
                               std::to_string(setting.item.offset) +
                               " yet; boot once with --nvram FILE, then set it on that file");
    }
  }
}

}  // namespace setup_sim
