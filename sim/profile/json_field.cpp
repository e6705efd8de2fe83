#include "sim/profile/json_field.h"

#include <cctype>
#include <cstdio>
#include <set>
#include <stdexcept>

#include "sim/machine/guid_text.h"
#include "sim/machine/utf16_text.h"
#include "sim/profile/number_text.h"

namespace sim {
namespace {

using nlohmann::json;

// Far deeper than any profile needs; each level keeps its path for messages, so
// without a cap a deeply nested document would cost memory with the square of its depth.
constexpr size_t kDeepestNesting = 64;

// Where the parser stands: the path of the object or array being read, so a
// field given twice can be named.
struct ParseFrame {
  bool array = false;
  std::string path;
  std::string key;     // the member being read (objects)
  size_t index = 0;    // the element being read (arrays)
  std::set<std::string> keys;
};

std::string ChildPath(const ParseFrame &frame) {
  return frame.array ? AppendPathIndex(frame.path, frame.index) : AppendPathKey(frame.path, frame.key);
}

// A first pass over the text that builds no document: it finds a field given
// twice and nesting beyond the cap. (The library's callback parser, which could
// do the same while building, searches the enclosing array at the end of every
// object, which costs the square of a long array's length.)
class FieldChecker : public nlohmann::json_sax<json> {
 public:
  explicit FieldChecker(const std::string &source) : source_(source) {}

  bool null() override { return Value(); }
  bool boolean(bool) override { return Value(); }
  bool number_integer(number_integer_t) override { return Value(); }
  bool number_unsigned(number_unsigned_t) override { return Value(); }
  bool number_float(number_float_t, const string_t &) override { return Value(); }
  bool string(string_t &) override { return Value(); }
  bool binary(binary_t &) override { return Value(); }
  bool start_object(std::size_t) override { return Start(false); }
  bool start_array(std::size_t) override { return Start(true); }
  bool end_object() override { return End(); }
  bool end_array() override { return End(); }
  bool key(string_t &key) override {
    ParseFrame &frame = frames_.back();
    frame.key = key;
    if (!frame.keys.insert(frame.key).second) {
      throw std::runtime_error(source_ + ": " + ChildPath(frame) + ": field given twice");
    }
    return true;
  }
  bool parse_error(std::size_t, const std::string &, const nlohmann::detail::exception &error) override {
    throw error;
  }

 private:
  bool Start(bool array) {
    if (frames_.size() >= kDeepestNesting) {
      throw std::runtime_error(source_ + ": nested deeper than " + std::to_string(kDeepestNesting) +
                               " objects and arrays");
    }
    ParseFrame frame;
    frame.array = array;
    frame.path = frames_.empty() ? std::string() : ChildPath(frames_.back());
    frames_.push_back(std::move(frame));
    return true;
  }
  bool End() {
    frames_.pop_back();
    return Value();
  }
  bool Value() {
    if (!frames_.empty() && frames_.back().array) ++frames_.back().index;
    return true;
  }

  const std::string &source_;
  std::vector<ParseFrame> frames_;
};

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

bool IsIdentifier(const std::string &key) {
  if (key.empty() || std::isdigit(static_cast<unsigned char>(key[0]))) return false;
  for (const char c : key) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

// A value as the message quotes it, cut short so the message stays one line.
std::string Quote(const json &value) {
  std::string text = value.dump(-1, ' ', false, json::error_handler_t::replace);
  if (text.size() > 48) text = text.substr(0, 45) + "...";
  return text;
}

}  // namespace

json ParseProfileJson(const std::string &text, const std::string &source) {
  try {
    FieldChecker checker(source);
    json::sax_parse(text, &checker);
    return json::parse(text);
  } catch (const json::exception &error) {
    // A syntax error or a number too large for any field. Drop the library's
    // "[json.exception.parse_error.101] parse error at " prefix, or its tag alone.
    std::string message = error.what();
    const size_t at = message.find(" at line ");
    const size_t tag = message.find("] ");
    if (at != std::string::npos) {
      message = message.substr(at + 4);
    } else if (tag != std::string::npos) {
      message = message.substr(tag + 2);
    }
    throw std::runtime_error(source + ": " + message);
  }
}

std::string AppendPathKey(const std::string &path, const std::string &key) {
  const std::string part = IsIdentifier(key) ? key : json(key).dump();
  return path.empty() ? part : path + "." + part;
}

std::string AppendPathIndex(const std::string &path, size_t index) {
  return path + "[" + std::to_string(index) + "]";
}

std::string FormatRange(uint64_t min, uint64_t max) {
  const auto number = [max](uint64_t value) { return max < 10000 || value < 10 ? std::to_string(value) : Hex(value); };
  return number(min) + ".." + number(max);
}

JsonField::JsonField(const json &value, const std::string &source, std::string path, std::string key)
    : value_(&value), source_(source), path_(std::move(path)), key_(std::move(key)) {}

void JsonField::Fail(const std::string &message) const {
  throw std::runtime_error(source_ + ": " + (path_.empty() ? "" : path_ + ": ") + message);
}

void JsonField::Expected(const std::string &what) const { Fail("expected " + what + ", got " + Quote(*value_)); }

uint64_t JsonField::Unsigned(uint64_t max, uint64_t min) const {
  const std::string what = "an integer " + FormatRange(min, max);
  std::optional<uint64_t> number;
  if (value_->is_number_unsigned()) number = value_->get<uint64_t>();
  if (value_->is_string()) number = ParseNumberText(value_->get<std::string>());
  if (!number || *number < min || *number > max) Expected(what);
  return *number;
}

bool JsonField::Bool() const {
  if (!value_->is_boolean()) Expected("true or false");
  return value_->get<bool>();
}

std::string JsonField::String() const {
  if (!value_->is_string()) Expected("a string");
  return value_->get<std::string>();
}

std::u16string JsonField::Text() const {
  const std::optional<std::u16string> text = Utf8ToUtf16(String());
  if (!text) Expected("UTF-8 text");
  return *text;
}

EFI_GUID JsonField::Guid() const {
  const std::optional<EFI_GUID> guid = value_->is_string() ? GuidFromText(String()) : std::nullopt;
  if (!guid) Expected("a GUID such as \"EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9\"");
  return *guid;
}

uint64_t JsonField::KeyNumber(uint64_t max, const std::string &what) const {
  const std::optional<uint64_t> number = ParseNumberText(key_);
  if (!number || *number > max) Fail("the name must be " + what + " " + FormatRange(0, max));
  return *number;
}

std::vector<JsonField> JsonField::Elements() const {
  if (!value_->is_array()) Expected("an array");
  std::vector<JsonField> elements;
  for (size_t i = 0; i < value_->size(); ++i) elements.emplace_back((*value_)[i], source_, AppendPathIndex(path_, i));
  return elements;
}

std::vector<JsonField> JsonField::Members() const {
  if (!value_->is_object()) Expected("an object");
  std::vector<JsonField> members;
  for (const auto &[key, value] : value_->items()) {
    members.emplace_back(value, source_, AppendPathKey(path_, key), key);
  }
  return members;
}

JsonObject JsonField::Fields(const std::vector<const char *> &known) const {
  for (const JsonField &member : Members()) {
    bool listed = false;
    for (const char *name : known) listed = listed || member.key_ == name;
    if (listed) continue;
    std::string names;
    for (const char *name : known) names += std::string(names.empty() ? "" : ", ") + name;
    member.Fail("unknown field (known here: " + names + ")");
  }
  return JsonObject(*this);
}

std::optional<JsonField> JsonObject::Optional(const char *name) const {
  if (!Has(name)) return std::nullopt;
  return JsonField(field_.value()[name], field_.source_, AppendPathKey(field_.path_, name), name);
}

JsonField JsonObject::Required(const char *name) const {
  if (!Has(name)) field_.Fail(std::string("missing field ") + name);
  return *Optional(name);
}

void JsonObject::Read(const char *name, std::string &out) const {
  if (const auto field = Optional(name)) out = field->String();
}

void JsonObject::Read(const char *name, std::u16string &out) const {
  if (const auto field = Optional(name)) out = field->Text();
}

void JsonObject::Read(const char *name, bool &out) const {
  if (const auto field = Optional(name)) out = field->Bool();
}

void JsonObject::Read(const char *name, uint8_t &out) const {
  if (const auto field = Optional(name)) out = static_cast<uint8_t>(field->Unsigned(UINT8_MAX));
}

void JsonObject::Read(const char *name, uint16_t &out) const {
  if (const auto field = Optional(name)) out = static_cast<uint16_t>(field->Unsigned(UINT16_MAX));
}

void JsonObject::Read(const char *name, uint32_t &out) const {
  if (const auto field = Optional(name)) out = static_cast<uint32_t>(field->Unsigned(UINT32_MAX));
}

void JsonObject::Read(const char *name, uint64_t &out) const {
  if (const auto field = Optional(name)) out = field->Unsigned(UINT64_MAX);
}

}  // namespace sim
