#include "forms/host/forms_report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "forms/host/ifr_dump.h"
#include "forms/host/little_endian.h"
#include "forms/host/question_table.h"
#include "forms/host/uefi_text.h"

namespace forms {
namespace {

using Json = nlohmann::ordered_json;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// The wanted language, else the first whose code starts with it ("en": "en-US"), else the first.
const StringPackage *ChooseLanguage(const PackageList &list, const std::string &wanted) {
  if (list.strings.empty()) return nullptr;
  const std::string want = Lower(wanted);
  for (const StringPackage &strings : list.strings) {
    if (Lower(strings.language) == want) return &strings;
  }
  for (const StringPackage &strings : list.strings) {
    if (!want.empty() && Lower(strings.language).rfind(want + "-", 0) == 0) return &strings;
  }
  return &list.strings.front();
}

StringLookup LookupOf(const StringPackage *strings) {
  return [strings](uint16_t id) -> std::optional<std::string> {
    if (strings == nullptr) return std::nullopt;
    const auto found = strings->strings.find(id);
    if (found == strings->strings.end()) return std::nullopt;
    return Utf16ToUtf8(found->second).value_or("(text not UTF-16)");
  };
}

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

struct Decoded {
  const FoundFormPackage *package;
  std::vector<IfrOpcode> opcodes;
  std::string error;  // empty: decoded
};

std::vector<Decoded> DecodeAll(const PackageList &list, std::vector<std::string> &refused) {
  std::vector<Decoded> decoded;
  for (const FoundFormPackage &package : list.forms) {
    Decoded one{&package, {}, {}};
    try {
      one.opcodes = DecodeIfr(package.bytes.data(), package.bytes.size());
    } catch (const PackageError &error) {
      one.error = error.what();
      refused.push_back(list.name + ": form package at " + Hex(package.offset) + ": " + one.error);
    }
    decoded.push_back(std::move(one));
  }
  return decoded;
}

std::string Text(const StringLookup &strings, uint16_t id) {
  const std::optional<std::string> text = strings(id);
  return text ? EscapedText(*text) : Hex(id);
}

std::string StoreName(const QuestionRow &row) {
  const IfrField *name = row.store == nullptr ? nullptr : row.store->Find("Name");
  if (name != nullptr) return FieldText(*name, {});
  return "VarStore" + Hex(row.question->Number("VarStoreId"));
}

std::string Place(const QuestionRow &row, const StringLookup &strings) {
  const std::string where = row.byName ? "\"" + Text(strings, row.place) + "\"" : Hex(row.place);
  return StoreName(row) + ":" + where + "(" + std::to_string(row.width) + ")";
}

// Titles that repeat the one before (a form set's first form often bears its title) or are blank are left out.
std::string FormPath(const QuestionRow &row, const StringLookup &strings) {
  std::string path = Text(strings, row.formSetTitle);
  std::string previous = path;
  for (uint16_t title : row.formPath) {
    const std::string text = Text(strings, title);
    if (text != previous && text.find_first_not_of(' ') != std::string::npos) path += " > " + text;
    previous = text;
  }
  return path;
}

std::string Values(const QuestionRow &row, const StringLookup &strings) {
  const IfrOpcode &q = *row.question;
  switch (q.code) {
    case ifr::kOneOf:
    case ifr::kOrderedList: {
      std::string text = q.code == ifr::kOrderedList ? "[up to " + std::to_string(q.Number("MaxContainers")) + " of: "
                                                     : "[";
      for (size_t i = 0; i < row.options.size(); ++i) {
        text += (i == 0 ? "" : ", ") + Text(strings, row.options[i].text) + "=" + std::to_string(row.options[i].value);
      }
      return text + "]";
    }
    case ifr::kNumeric:
      return "[" + Hex(q.Number("MinValue")) + ".." + Hex(q.Number("MaxValue")) + " step " +
             std::to_string(q.Number("Step")) + "]";
    case ifr::kCheckBox:
      return "[0, 1]";
    case ifr::kString:
    case ifr::kPassword:
      return "[" + std::to_string(q.Number("MinSize")) + ".." + std::to_string(q.Number("MaxSize")) + " characters]";
    default:
      return "";
  }
}

// The stored value: a number up to 8 bytes, hex bytes beyond; null when unknown.
Json Stored(const QuestionRow &row, const ReportOptions &options) {
  if (!options.stored || row.byName || row.store == nullptr || row.store->Find("Guid") == nullptr) return nullptr;
  const std::optional<std::vector<uint8_t>> bytes = options.stored(StoreName(row), row.store->Find("Guid")->guid);
  if (!bytes || row.place + row.width > bytes->size()) return nullptr;
  if (row.width <= 8) return LittleEndian(bytes->data() + row.place, row.width);
  std::string hex;
  for (uint64_t i = 0; i < row.width; ++i) hex += Hex((*bytes)[row.place + i]).substr(2) + " ";
  return hex.substr(0, hex.size() - 1);
}

std::string Heading(const PackageList &list, const StringPackage *strings) {
  std::string heading = "# " + list.name;
  if (list.forms.empty()) heading += ": no form package";  // an exported database's string-only lists
  for (size_t i = 0; i < list.forms.size(); ++i) {
    const FoundFormPackage &package = list.forms[i];
    heading += i == 0 ? ": form package" : ", form package";
    if (package.offset != 0) heading += " at " + Hex(package.offset);  // a built-in list or a bare package is at 0
    heading += " (" + std::to_string(package.bytes.size()) + " bytes)";
  }
  if (strings == nullptr) return heading + "; no strings";
  heading += "; strings " + (strings->language.empty() ? std::string("(no language)") : strings->language);
  std::string others;
  for (const StringPackage &other : list.strings) {
    if (&other != strings) others += (others.empty() ? "" : ", ") + other.language;
  }
  return others.empty() ? heading : heading + " (also " + others + ")";
}

void WriteSettingsText(const std::vector<QuestionRow> &rows, const StringLookup &strings, const ReportOptions &options,
                       std::ostream &out) {
  size_t placeWidth = 0;
  for (const QuestionRow &row : rows) placeWidth = std::max(placeWidth, Place(row, strings).size());
  for (const QuestionRow &row : rows) {
    std::string place = Place(row, strings);
    place.resize(placeWidth, ' ');
    out << place << "  " << FormPath(row, strings) << ": " << Text(strings, uint16_t(row.question->Number("Prompt")))
        << "  " << row.question->name;
    if (const std::string values = Values(row, strings); !values.empty()) out << "  " << values;
    if (const auto standard = row.defaults.find(ifr::kStandardDefaultId); standard != row.defaults.end()) {
      out << "  default " << standard->second;
    }
    if (options.stored) {
      const Json stored = Stored(row, options);
      out << "  stored " << (stored.is_null() ? "-" : stored.is_string() ? stored.get<std::string>() : stored.dump());
    }
    out << "\n";
  }
}

Json SettingsJson(const std::vector<QuestionRow> &rows, const StringLookup &strings, const ReportOptions &options) {
  Json result = Json::array();
  for (const QuestionRow &row : rows) {
    const IfrOpcode &q = *row.question;
    Json item = {{"store", StoreName(row)}, {"store_id", q.Number("VarStoreId")}};
    if (row.store != nullptr && row.store->Find("Guid") != nullptr) {
      item["store_guid"] = GuidText(row.store->Find("Guid")->guid);
    }
    item[row.byName ? "name" : "offset"] = row.byName ? Json(Text(strings, row.place)) : Json(row.place);
    item["width"] = row.width;
    item["kind"] = q.name;
    item["question_id"] = q.Number("QuestionId");
    item["question_flags"] = q.Number("QuestionFlags");
    item["prompt"] = Text(strings, uint16_t(q.Number("Prompt")));
    item["help"] = Text(strings, uint16_t(q.Number("Help")));
    Json path = Json::array({Text(strings, row.formSetTitle)});
    for (uint16_t title : row.formPath) path.push_back(Text(strings, title));
    item["form_path"] = path;
    Json choices = Json::array();
    for (const QuestionOption &option : row.options) {
      choices.push_back({{"text", Text(strings, option.text)}, {"value", option.value}});
    }
    if (!row.options.empty()) item["options"] = choices;
    for (const char *bound : {"MinValue", "MaxValue", "Step", "MinSize", "MaxSize"}) {
      if (q.Find(bound) != nullptr) item[bound] = q.Number(bound);
    }
    Json defaults = Json::object();
    for (const auto &[id, value] : row.defaults) defaults[std::to_string(id)] = value;
    item["defaults"] = defaults;
    if (options.stored) item["stored"] = Stored(row, options);
    result.push_back(std::move(item));
  }
  return result;
}

}  // namespace

std::vector<std::string> WriteFormsText(const std::vector<PackageList> &lists, const ReportOptions &options,
                                        std::ostream &out) {
  std::vector<std::string> refused;
  for (const PackageList &list : lists) {
    const StringPackage *strings = ChooseLanguage(list, options.language);
    const StringLookup lookup = LookupOf(strings);
    out << (&list == &lists.front() ? "" : "\n") << Heading(list, strings) << "\n";
    for (const Decoded &decoded : DecodeAll(list, refused)) {
      if (!decoded.error.empty()) {
        out << "refused: " << decoded.error << "\n";
      } else if (options.settings) {
        const std::vector<QuestionRow> rows = QuestionTable(decoded.opcodes);
        if (rows.empty()) out << "(no question keeps a value in a store)\n";
        WriteSettingsText(rows, lookup, options, out);
      } else {
        WriteOpcodeLines(decoded.opcodes, decoded.package->bytes.data(), lookup, options.verbose, "", out);
      }
    }
  }
  return refused;
}

std::vector<std::string> WriteFormsJson(const std::vector<PackageList> &lists, const ReportOptions &options,
                                        std::ostream &out) {
  std::vector<std::string> refused;
  Json result = Json::array();
  for (const PackageList &list : lists) {
    const StringPackage *strings = ChooseLanguage(list, options.language);
    const StringLookup lookup = LookupOf(strings);
    Json item = {{"name", list.name}, {"offset", list.offset}};
    if (list.guid) item["guid"] = GuidText(*list.guid);
    Json languages = Json::array();
    for (const StringPackage &package : list.strings) languages.push_back(package.language);
    item["languages"] = languages;
    item["language"] = strings == nullptr ? Json() : Json(strings->language);
    Json packages = Json::array();
    for (const Decoded &decoded : DecodeAll(list, refused)) {
      Json package = {{"offset", decoded.package->offset}, {"size", decoded.package->bytes.size()}};
      if (!decoded.error.empty()) {
        package["error"] = decoded.error;
      } else if (options.settings) {
        package["settings"] = SettingsJson(QuestionTable(decoded.opcodes), lookup, options);
      } else {
        package["opcodes"] = OpcodesJson(decoded.opcodes, decoded.package->bytes.data(), lookup, options.verbose);
      }
      packages.push_back(std::move(package));
    }
    item["form_packages"] = packages;
    result.push_back(std::move(item));
  }
  out << Json{{"package_lists", result}}.dump(1, ' ', false, Json::error_handler_t::replace) << "\n";
  return refused;
}

}  // namespace forms
