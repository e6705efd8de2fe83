#include "sim/profile/json_field.h"

#include <cctype>
#include <limits>
#include <set>
#include <stdexcept>

#include "sim/machine/guid_text.h"
#include "sim/machine/hex_text.h"
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
  const auto number = [max](uint64_t value) { return max < 10000 || value < 10 ? std::to_string(value) : HexNumber(value); };
  return number(min) + ".." + number(max);
}

namespace {

std::string Joined(const std::vector<std::string> &parts) {
  std::string text;
  for (size_t i = 0; i < parts.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == parts.size() ? " or " : ", ") + parts[i];
  }
  return text;
}

std::string ArrayLength(uint64_t fewest, uint64_t most) {
  const std::string least = std::to_string(fewest), greatest = std::to_string(most);
  if (fewest == most) return "an array of " + least + " elements";
  if (most == UINT64_MAX) return fewest == 0 ? "an array" : "an array of at least " + least + " elements";
  return fewest == 0 ? "an array of at most " + greatest + " elements"
                     : "an array of " + least + " to " + greatest + " elements";
}

[[noreturn]] void Drifted(const std::string &what) {
  throw std::logic_error("the profile field table and its reader disagree: " + what);
}

}  // namespace

std::string DescribeRule(const FieldRule &rule) {
  std::string what;
  switch (rule.type) {
    case FieldType::Integer: {
      std::vector<std::string> values;
      for (const uint64_t value : rule.values) values.push_back(std::to_string(value));
      what = values.empty() ? "an integer " + FormatRange(rule.min, rule.max) : Joined(values);
      break;
    }
    case FieldType::Boolean:
      what = "true or false";
      break;
    case FieldType::Text:
      what = rule.zeroAllowed ? "a string" : "text without zero characters";
      break;
    case FieldType::Ascii:
      what = rule.zeroAllowed ? "ASCII text" : "ASCII text without zero characters";
      break;
    case FieldType::Hex:
      what = "hex bytes";
      break;
    case FieldType::Guid:
      what = "a GUID such as \"EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9\"";
      break;
    case FieldType::Mac:
      what = "a MAC address such as \"00-1E-67-2A-51-3C\"";
      break;
    case FieldType::Choice: {
      std::vector<std::string> names;
      for (const FieldChoice &choice : rule.choices) names.push_back(json(choice.name).dump());
      what = Joined(names);
      break;
    }
    case FieldType::Object:
    case FieldType::Map:
      what = "an object";
      break;
    case FieldType::Array:
      what = ArrayLength(rule.min, rule.max);
      break;
    case FieldType::Forms: {
      std::vector<std::string> forms;
      for (const FieldForm &form : rule.forms) {
        forms.push_back(form.key != nullptr ? std::string("an object with ") + form.key : DescribeRule(*form.rule));
      }
      what = Joined(forms);
      break;
    }
  }
  return rule.nullable ? what + " or null" : what;
}

JsonField::JsonField(const json &value, const std::string &source, std::string path, const FieldRule &rule)
    : JsonField(value, source, std::move(path), rule, {}) {}

JsonField::JsonField(const json &value, const std::string &source, std::string path, const FieldRule &rule,
                     std::string key)
    : value_(&value), source_(source), path_(std::move(path)), rule_(&rule), key_(std::move(key)) {}

void JsonField::Fail(const std::string &message) const {
  throw std::runtime_error(source_ + ": " + (path_.empty() ? "" : path_ + ": ") + message);
}

void JsonField::Expected(const std::string &what) const { Fail("expected " + what + ", got " + Quote(*value_)); }

void JsonField::ExpectedRule() const { Expected(DescribeRule(*rule_)); }

void JsonField::ExpectType(FieldType type) const {
  if (rule_->type != type) Drifted(path_ + " is read as another type than its rule's");
}

uint64_t JsonField::Unsigned() const { return Unsigned(rule_->max, rule_->min); }

uint64_t JsonField::Unsigned(uint64_t max, uint64_t min) const {
  ExpectType(FieldType::Integer);
  if (max > rule_->max || min < rule_->min) Drifted(path_ + " is read with a wider range than its rule's");
  std::optional<uint64_t> number;
  if (value_->is_number_unsigned()) number = value_->get<uint64_t>();
  if (value_->is_string()) number = ParseNumberText(value_->get<std::string>());
  if (!number || !Accepts(*rule_, *value_)) ExpectedRule();
  if (*number < min || *number > max) Expected("an integer " + FormatRange(min, max));
  return *number;
}

bool JsonField::Bool() const {
  ExpectType(FieldType::Boolean);
  if (!value_->is_boolean()) ExpectedRule();
  return value_->get<bool>();
}

std::string JsonField::String() const {
  if (rule_->type != FieldType::Text && rule_->type != FieldType::Hex && rule_->type != FieldType::Mac) {
    Drifted(path_ + " is read as a string");
  }
  if (!value_->is_string()) Expected("a string");
  return value_->get<std::string>();
}

std::u16string JsonField::Text() const {
  ExpectType(FieldType::Text);
  const std::optional<std::u16string> text = Utf8ToUtf16(String());
  if (!text) Expected("UTF-8 text");
  // The firmware sees a 16-bit string that ends at its first zero: a zero inside would cut it silently.
  if (!rule_->zeroAllowed && text->find(u'\0') != std::u16string::npos) ExpectedRule();
  return *text;
}

std::string JsonField::Ascii() const {
  ExpectType(FieldType::Ascii);
  if (!value_->is_string()) ExpectedRule();
  const std::string text = value_->get<std::string>();
  for (const char c : text) {
    if ((c == 0 && !rule_->zeroAllowed) || static_cast<unsigned char>(c) > 0x7F) ExpectedRule();
  }
  if (text.size() > rule_->max) Fail("longer than " + std::to_string(rule_->max) + " characters");
  return text;
}

EFI_GUID JsonField::Guid() const {
  ExpectType(FieldType::Guid);
  const std::optional<EFI_GUID> guid = value_->is_string() ? GuidFromText(value_->get<std::string>()) : std::nullopt;
  if (!guid) ExpectedRule();
  return *guid;
}

uint64_t JsonField::Choice() const {
  ExpectType(FieldType::Choice);
  if (value_->is_string()) {
    for (const FieldChoice &choice : rule_->choices) {
      if (value_->get<std::string>() == choice.name) return choice.value;
    }
  }
  ExpectedRule();
}

JsonField::ChosenForm JsonField::Form() const {
  ExpectType(FieldType::Forms);
  const FieldForm *form = ChooseForm(*rule_, *value_);
  if (form == nullptr) ExpectedRule();
  return {form->key, JsonField(*value_, source_, path_, *form->rule, key_)};
}

uint64_t JsonField::KeyNumber(uint64_t max, const std::string &what) const {
  if (max < keyNumber_) Fail("the name must be " + what + " " + FormatRange(0, max));
  return keyNumber_;
}

std::vector<JsonField> JsonField::Elements() const {
  ExpectType(FieldType::Array);
  if (!value_->is_array() || value_->size() < rule_->min || value_->size() > rule_->max) ExpectedRule();
  std::vector<JsonField> elements;
  for (size_t i = 0; i < value_->size(); ++i) {
    elements.push_back(JsonField((*value_)[i], source_, AppendPathIndex(path_, i), *rule_->item));
  }
  return elements;
}

std::vector<JsonField> JsonField::Members() const {
  ExpectType(FieldType::Map);
  if (!value_->is_object()) ExpectedRule();
  std::vector<JsonField> members;
  for (const auto &[key, value] : value_->items()) {
    JsonField member(value, source_, AppendPathKey(path_, key), *rule_->item, key);
    const std::optional<uint64_t> number = ParseNumberText(key);
    if (!number || *number < rule_->min || *number > rule_->max) {
      member.Fail(std::string("the name must be ") + rule_->keyWhat + " " + FormatRange(rule_->min, rule_->max));
    }
    member.keyNumber_ = *number;
    members.push_back(std::move(member));
  }
  return members;
}

JsonObject JsonField::Fields() const {
  ExpectType(FieldType::Object);
  if (!value_->is_object()) ExpectedRule();
  for (const auto &[key, value] : value_->items()) {
    if (FindMember(*rule_, key) != nullptr) continue;
    std::string names;
    for (const FieldMember &member : rule_->members) names += std::string(names.empty() ? "" : ", ") + member.name;
    JsonField(value, source_, AppendPathKey(path_, key), *rule_, key).Fail("unknown field (known here: " + names + ")");
  }
  for (const FieldMember &member : rule_->members) {
    if (member.required && !value_->contains(member.name)) Fail(std::string("missing field ") + member.name);
  }
  return JsonObject(*this);
}

std::optional<JsonField> JsonObject::Optional(const char *name) const {
  const FieldMember *member = FindMember(field_.rule(), name);
  if (member == nullptr) Drifted(field_.path_ + " has no member " + name + " in the table");
  if (!Has(name)) return std::nullopt;
  return JsonField(field_.value()[name], field_.source_, AppendPathKey(field_.path_, name), *member->rule, name);
}

JsonField JsonObject::Required(const char *name) const {
  const FieldMember *member = FindMember(field_.rule(), name);
  if (member == nullptr || !member->required) Drifted(field_.path_ + "." + name + " is not required in the table");
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

namespace {

template <typename Number>
void ReadNumber(const JsonObject &object, const char *name, Number &out) {
  if (const auto field = object.Optional(name)) {
    if (field->rule().max > std::numeric_limits<Number>::max()) Drifted(field->path() + " does not fit its type");
    out = static_cast<Number>(field->Unsigned());
  }
}

}  // namespace

void JsonObject::Read(const char *name, uint8_t &out) const { ReadNumber(*this, name, out); }
void JsonObject::Read(const char *name, uint16_t &out) const { ReadNumber(*this, name, out); }
void JsonObject::Read(const char *name, uint32_t &out) const { ReadNumber(*this, name, out); }
void JsonObject::Read(const char *name, uint64_t &out) const { ReadNumber(*this, name, out); }

}  // namespace sim
