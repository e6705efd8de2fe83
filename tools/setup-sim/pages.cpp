#include "tools/setup-sim/pages.h"

#include <map>
#include <set>

#include "sim/machine/utf16_text.h"

namespace setup_sim {
namespace {

std::string PageTitle(uint16_t formClass, const std::string &title) {
  const std::string number = "Class " + std::to_string(formClass);
  return title.empty() ? number : number + " (" + title + ")";
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::string DisplayText(std::u16string text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      text[i] = u'\uFFFD';
    }
  }
  return *sim::Utf16ToUtf8(text);
}

std::string Padded(const std::string &text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string ListString(const sim::PackageListSpec &list, uint16_t id) {
  const sim::StringSpec *found = list.strings.Find(id);
  return found == nullptr ? std::string() : DisplayText(found->text);
}

std::vector<Page> CollectPages(const sim::BoardProfile &profile, const sim::BootReport &report) {
  // The last write of each string wins, as in the HII database.
  std::map<uint16_t, std::map<uint16_t, const sim::StringRecord *>> last;
  for (const sim::StringRecord &record : report.strings) last[record.formClass][record.stringId] = &record;

  std::set<uint64_t> removed;
  for (const sim::EventRecord &event : report.events) {
    if (event.kind != "package-list-removed") continue;
    for (const auto &[name, value] : event.values) {
      if (name == "class") removed.insert(value);
    }
  }

  std::vector<Page> pages;
  const auto addPage = [&](uint16_t formClass, const std::string &title) {
    Page page{formClass, PageTitle(formClass, title), removed.count(formClass) != 0, {}};
    for (const auto &[id, record] : last[formClass]) {
      const std::string label = record->label.empty() ? "String " + std::to_string(id) : record->label;
      page.strings.push_back({id, label, DisplayText(record->text)});
    }
    last.erase(formClass);
    pages.push_back(std::move(page));
  };
  for (const sim::PackageListSpec &list : profile.packageLists) addPage(list.formClass, list.title);
  while (!last.empty()) addPage(last.begin()->first, "");
  return pages;
}

}  // namespace setup_sim
