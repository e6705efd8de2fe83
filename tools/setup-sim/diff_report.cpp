#include "tools/setup-sim/diff_report.h"

#include <stdexcept>

#include "sim/machine/user_file.h"
#include "tools/setup-sim/report_header.h"

namespace setup_sim {
namespace {

using nlohmann::json;

constexpr size_t kLargestReport = 256u << 20;
constexpr size_t kLongestShown = 60;
// The report shapes diff reads; an older shape joins the list when diff learns it.
constexpr int kKnownSchemaVersions[] = {kJsonSchemaVersion};

// One value of a report and where it is, so that a fault names the file and the path.
class Node {
 public:
  Node(const json &value, std::string path, const std::string &file) : value_(value), path_(std::move(path)), file_(file) {}

  [[noreturn]] void Fail(const std::string &why) const { throw std::runtime_error(file_ + ": " + path_ + ": " + why); }

  Node At(const char *key) const {
    if (!value_.contains(key)) Fail(std::string("has no \"") + key + "\"");
    return {value_[key], path_.empty() ? key : path_ + "." + key, file_};
  }
  std::vector<Node> Elements() const {
    Expect(value_.is_array(), "an array");
    std::vector<Node> elements;
    for (size_t i = 0; i < value_.size(); ++i) elements.push_back({value_[i], path_ + "[" + std::to_string(i) + "]", file_});
    return elements;
  }
  std::string Text() const {
    Expect(value_.is_string(), "a string");
    return value_.get<std::string>();
  }
  uint64_t Unsigned() const {
    Expect(value_.is_number_unsigned(), "a non-negative integer");
    return value_.get<uint64_t>();
  }
  void ExpectObject() const { Expect(value_.is_object(), "an object"); }
  const json &Value() const { return value_; }

  // A value as a message shows it: an array or object by its kind, since printing one nested
  // millions deep would recurse as deep; a long text cut short.
  std::string Shown() const {
    if (value_.is_array()) return value_.empty() ? "[]" : "an array";
    if (value_.is_object()) return value_.empty() ? "{}" : "an object";
    const std::string text = value_.dump();
    return text.size() <= kLongestShown ? text : text.substr(0, kLongestShown) + "...";
  }

 private:
  void Expect(bool right, const char *what) const {
    if (!right) Fail(std::string("expected ") + what + ", got " + Shown());
  }

  const json &value_;
  std::string path_;
  const std::string &file_;
};

void CheckSchemaVersion(const Node &version) {
  std::string known;
  for (const int each : kKnownSchemaVersions) {
    if (version.Value() == each) return;
    known += (known.empty() ? "" : ", ") + std::to_string(each);
  }
  version.Fail(version.Shown() + " is not a report shape this setup-sim reads (it reads " + known +
               "); compare reports of one setup-sim version");
}

}  // namespace

DiffReport ReadDiffReport(const std::string &path) {
  const std::string text =
      sim::ReadUserFile(path, kLargestReport, path + ": ", "", sim::ReadSource::FileOrPipe);
  const json document = json::parse(text, nullptr, false);
  if (document.is_discarded() || !document.is_object() || !document.contains("schema_version") ||
      !document.contains("pages") || !document.contains("variables")) {
    throw std::runtime_error(path + ": not a setup-sim --json report");
  }
  const Node root(document, "", path);
  CheckSchemaVersion(root.At("schema_version"));
  DiffReport report;
  report.board = root.At("board").Text();
  report.boardSource = root.At("board_source").Text();
  for (const Node &page : root.At("pages").Elements()) {
    page.ExpectObject();
    const std::string title = page.At("title").Text();
    for (const Node &string : page.At("strings").Elements()) {
      string.ExpectObject();
      const std::string key = title + "  " + std::to_string(string.At("id").Unsigned()) + "  " + string.At("label").Text();
      report.strings[key] = string.At("text").Text();
    }
  }
  for (const Node &each : root.At("variables").Elements()) {
    each.ExpectObject();
    ReportVariable variable{each.At("name").Text(), each.At("guid").Text(), each.At("attributes").Unsigned(),
                            each.At("data").Text()};
    const Node data = each.At("data");
    if (variable.data.size() % 2 != 0 || variable.data.size() / 2 != each.At("size").Unsigned()) {
      data.Fail("expected two hex digits for each of the variable's size bytes");
    }
    report.variables[variable.name + "  " + variable.guid] = variable;
  }
  const Node status = root.At("entry_status");
  status.ExpectObject();
  report.entryStatus = {{"name", status.At("name").Text()}, {"value", status.At("value").Unsigned()}};
  return report;
}

}  // namespace setup_sim
