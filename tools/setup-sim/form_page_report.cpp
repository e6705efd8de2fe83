#include "tools/setup-sim/form_page_report.h"

#include <cstdio>

#include "sim/machine/guid_text.h"
#include "sim/machine/utf16_text.h"
#include "tools/setup-sim/form_pages.h"
#include "tools/setup-sim/pages.h"

namespace setup_sim {
namespace {

constexpr size_t kPromptWidth = 34;

// The prompt column, with at least one blank before the value.
std::string Prompt(const std::string &text) { return Padded(text + " ", kPromptWidth); }

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

std::vector<FormPage> RenderedPages(const BootSession &session) {
  std::vector<FormPage> pages;
  for (const sim::PackageListSpec *list : session.formPages) {
    pages.push_back(RenderFormPage(*list, session.report, session.store));
  }
  return pages;
}

std::string PageState(const FormPage &page) {
  if (!page.published) return "not published during this boot: every value is the list's own text";
  if (page.removed) return "removed from the HII database after publishing: the menu never shows it";
  return "published";
}

void WriteLine(const FormLine &line, std::ostream &out, bool &listTexts) {
  switch (line.kind) {
    case LineKind::Subtitle:
      out << "  " << line.prompt << "\n";
      return;
    case LineKind::Text:
      out << "    " << Prompt(line.prompt) << line.value << (line.listText ? "  *" : "") << "\n";
      listTexts = listTexts || line.listText;
      return;
    case LineKind::Form:
      out << "    > " << line.value << "\n";
      return;
    case LineKind::Action:
      out << "    " << Prompt("[" + line.prompt + "]") << "(form callback key " << Hex(line.questionId) << ")\n";
      return;
    case LineKind::Setting:
      out << "    " << Prompt(line.prompt) << "<" << (line.current ? line.value : "no stored value") << ">"
          << "  (byte " << line.offset << ", default " << line.defaultOption << ")\n";
      return;
  }
}

const char *KindName(LineKind kind) {
  switch (kind) {
    case LineKind::Subtitle: return "subtitle";
    case LineKind::Text: return "text";
    case LineKind::Form: return "form";
    case LineKind::Action: return "action";
    case LineKind::Setting: return "setting";
  }
  return "";
}

nlohmann::json LineJson(const FormLine &line) {
  nlohmann::json item = {{"kind", KindName(line.kind)}, {"prompt", line.prompt}, {"help", line.help}};
  switch (line.kind) {
    case LineKind::Subtitle:
      break;
    case LineKind::Text:
      item["string_id"] = line.stringId;
      item["value"] = line.value;
      item["value_source"] = line.listText ? "list" : "driver";
      break;
    case LineKind::Form:
      item["form"] = line.targetForm;
      item["value"] = line.value;
      item["question_id"] = line.questionId;
      item["question_flags"] = line.questionFlags;
      break;
    case LineKind::Action:
      item["key"] = line.questionId;
      item["question_id"] = line.questionId;
      item["question_flags"] = line.questionFlags;
      break;
    case LineKind::Setting: {
      item["question_id"] = line.questionId;
      item["question_flags"] = line.questionFlags;
      item["store"] = {{"name", sim::Utf16ToUtf8(line.variable).value_or("")},
                       {"guid", sim::GuidToText(line.variableGuid)},
                       {"id", line.varStoreId}};
      item["offset"] = line.offset;
      item["width"] = line.width;
      item["value"] = line.current ? nlohmann::json(line.value) : nlohmann::json(nullptr);
      item["stored"] = line.storedValue ? nlohmann::json(*line.storedValue) : nlohmann::json(nullptr);
      item["default"] = line.defaultOption;
      item["default_value"] = line.defaultValue ? nlohmann::json(*line.defaultValue) : nlohmann::json(nullptr);
      nlohmann::json options = nlohmann::json::array();
      for (const auto &[text, value] : line.options) options.push_back({{"text", text}, {"value", value}});
      item["options"] = options;
      break;
    }
  }
  return item;
}

}  // namespace

void WriteFormPagesText(const BootSession &session, std::ostream &out) {
  for (const FormPage &page : RenderedPages(session)) {
    const std::string heading = page.title + " (class " + std::to_string(page.formClass) + ")";
    out << "\n" << heading << "  " << PageState(page) << "\n" << std::string(heading.size(), '=') << "\n";
    if (!page.help.empty()) out << page.help << "\n";
    if (page.forms.empty()) out << "  (the list has no forms)\n";
    bool listTexts = false;
    for (const FormView &form : page.forms) {
      out << "\n" << form.title << "\n";
      for (const FormLine &line : form.lines) WriteLine(line, out, listTexts);
    }
    if (listTexts) out << "\n  * the package list's own text: the driver did not set this string\n";
  }
}

nlohmann::json FormPagesJson(const BootSession &session) {
  nlohmann::json pages = nlohmann::json::array();
  for (const FormPage &page : RenderedPages(session)) {
    nlohmann::json forms = nlohmann::json::array();
    for (const FormView &form : page.forms) {
      nlohmann::json items = nlohmann::json::array();
      for (const FormLine &line : form.lines) items.push_back(LineJson(line));
      forms.push_back({{"id", form.id}, {"title", form.title}, {"items", items}});
    }
    pages.push_back({{"class", page.formClass},
                     {"title", page.title},
                     {"help", page.help},
                     {"published", page.published},
                     {"removed", page.removed},
                     {"forms", forms}});
  }
  return pages;
}

}  // namespace setup_sim
