#include "tools/setup-sim/form_pages.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <stdexcept>

#include "forms/host/form_package.h"
#include "sim/little_endian.h"
#include "sim/profile/number_text.h"
#include "tools/setup-sim/form_settings.h"
#include "tools/setup-sim/pages.h"

namespace setup_sim {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool HasEvent(const sim::BootReport &report, const char *kind, uint16_t formClass) {
  for (const sim::EventRecord &event : report.events) {
    if (event.kind != kind) continue;
    for (const auto &[name, value] : event.values) {
      if (name == "class" && value == formClass) return true;
    }
  }
  return false;
}

class PageBuilder {
 public:
  PageBuilder(const sim::PackageListSpec &list, const sim::BootReport &report, const sim::VariableStore &store)
      : list_(list), store_(store) {
    for (const sim::StringRecord &record : report.strings) {
      if (record.formClass == list.formClass) driverTexts_[record.stringId] = record.text;  // the last write wins
    }
  }

  FormPage Build(FormPage page) {
    if (list_.formPackage.empty()) return page;
    forms_ = forms::DecodeFormPackage(list_.formPackage.data(), list_.formPackage.size());
    page.help = ListText(forms_.help);
    for (const forms::Form &form : forms_.forms) {
      FormView view{form.id, ListText(form.title), {}};
      for (const forms::FormItem &item : form.items) view.lines.push_back(Line(item));
      page.forms.push_back(std::move(view));
    }
    return page;
  }

 private:
  std::string ListText(uint16_t id) const { return ListString(list_, id); }

  FormLine Line(const forms::FormItem &item) const {
    FormLine line;
    line.prompt = ListText(item.prompt);
    line.help = ListText(item.help);
    line.questionId = item.questionId;
    line.questionFlags = item.questionFlags;
    switch (item.kind) {
      case forms::FormItemKind::Subtitle:
        break;
      case forms::FormItemKind::Text: {
        line.kind = LineKind::Text;
        line.stringId = item.textTwo;
        const auto set = driverTexts_.find(item.textTwo);
        line.listText = set == driverTexts_.end();
        line.value = line.listText ? ListText(item.textTwo) : DisplayText(set->second);
        break;
      }
      case forms::FormItemKind::Reference: {
        line.kind = LineKind::Form;
        line.targetForm = item.targetForm;
        const forms::Form *target = forms_.FindForm(item.targetForm);
        line.value = target == nullptr ? std::string() : ListText(target->title);
        break;
      }
      case forms::FormItemKind::Action:
        line.kind = LineKind::Action;
        break;
      case forms::FormItemKind::Setting:
        Setting(item, line);
        break;
    }
    return line;
  }

  void Setting(const forms::FormItem &item, FormLine &line) const {
    line.kind = LineKind::Setting;
    line.offset = item.offset;
    line.width = item.width;
    line.varStoreId = item.varStoreId;
    line.defaultValue = item.defaultValue;
    for (const forms::FormOption &option : item.options) {
      line.options.emplace_back(ListText(option.text), option.value);
      if (option.isDefault) line.defaultOption = ListText(option.text);
    }
    if (const forms::FormVarStore *varStore = forms_.FindVarStore(item.varStoreId)) {
      line.variable.assign(varStore->name.begin(), varStore->name.end());
      line.variableGuid = varStore->guid;
    }
    const sim::StoredVariable *variable = BoundVariable(forms_, item, store_);
    if (variable == nullptr || item.offset >= variable->data.size()) return;
    line.current = variable->data[item.offset];
    if (item.width <= variable->data.size() - item.offset) {
      line.storedValue = sim::GetLittleEndian(variable->data.data() + item.offset, item.width);
    }
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "0x%02X (no such option)", *line.current);
    line.value = fallback;
    for (const auto &[text, value] : line.options) {
      if (value == *line.current) line.value = text;
    }
  }

  const sim::PackageListSpec &list_;
  const sim::VariableStore &store_;
  std::map<uint16_t, std::u16string> driverTexts_;
  forms::FormSet forms_;
};

}  // namespace

FormPage RenderFormPage(const sim::PackageListSpec &list, const sim::BootReport &report,
                        const sim::VariableStore &store) {
  FormPage page;
  page.formClass = list.formClass;
  page.title = list.title;
  page.published = HasEvent(report, "package-list-published", list.formClass);
  page.removed = HasEvent(report, "package-list-removed", list.formClass);
  return PageBuilder(list, report, store).Build(std::move(page));
}

std::vector<const sim::PackageListSpec *> SelectPages(const sim::BoardProfile &profile, const std::string &which) {
  std::vector<const sim::PackageListSpec *> pages;
  const std::optional<uint64_t> number = sim::ParseNumberText(which);
  std::string choices;
  for (const sim::PackageListSpec &list : profile.packageLists) {
    const bool chosen = Lower(which) == "all" || (number && *number == list.formClass) ||
                        (!list.title.empty() && Lower(which) == Lower(list.title));
    if (chosen) pages.push_back(&list);
    choices += (choices.empty() ? "" : ", ") + std::to_string(list.formClass) +
               (list.title.empty() ? "" : " (" + list.title + ")");
  }
  if (pages.empty()) {
    throw std::invalid_argument("--page " + which + ": no package list of that class or title; the board has " +
                                choices + ", or all");
  }
  return pages;
}

}  // namespace setup_sim
