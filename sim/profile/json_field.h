// Strict reading of profile JSON: every value travels with its source name, its
// path and its rule in the field table (field_rule.h), so a fault is reported as
// one line that says where it sits, e.g.
//   board.json: hardware.ports."0xA35": expected an integer 0..0xFFFFFFFF, got "x"
// and every type, range, choice and required field comes from the table. A call
// that asks for what the table does not say (a member it lacks, a wider range) is
// a std::logic_error: the code and the table have drifted apart.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "driver/uefi/uefi_base.h"
#include "sim/profile/field_rule.h"

namespace sim {

// Parses text as JSON; a syntax error or a field given twice in one object is a
// std::runtime_error naming the source.
nlohmann::json ParseProfileJson(const std::string &text, const std::string &source);

// "a.b" for identifier-like keys, "a.\"0xA35\"" for others; "a[3]" for indices.
std::string AppendPathKey(const std::string &path, const std::string &key);
std::string AppendPathIndex(const std::string &path, size_t index);

class JsonObject;

class JsonField {
 public:
  JsonField(const nlohmann::json &value, const std::string &source, std::string path, const FieldRule &rule);

  const nlohmann::json &value() const { return *value_; }
  const FieldRule &rule() const { return *rule_; }
  const std::string &path() const { return path_; }

  [[noreturn]] void Fail(const std::string &message) const;
  [[noreturn]] void Expected(const std::string &what) const;  // "expected <what>, got <value>"

  // A JSON integer or a string holding a decimal or 0x-prefixed hexadecimal
  // number, in the rule's range; the second form narrows it further.
  uint64_t Unsigned() const;
  uint64_t Unsigned(uint64_t max, uint64_t min = 0) const;
  bool Bool() const;
  std::string String() const;   // a Text, Hex or Mac field's string
  std::u16string Text() const;  // a Text field as UTF-16, no zero character unless the rule allows one
  std::string Ascii() const;    // an Ascii field, as long as the rule allows
  EFI_GUID Guid() const;
  uint64_t Choice() const;      // the number of the Choice the field names

  // The short form of a Forms field: the key that chose it (nullptr for a form
  // chosen by the value's type) and the field under that form's rule.
  struct ChosenForm;
  ChosenForm Form() const;

  // A map member's name read as a number in the map's key range (checked by
  // Members()); the second form narrows it further.
  uint64_t KeyNumber() const { return keyNumber_; }
  uint64_t KeyNumber(uint64_t max, const std::string &what) const;

  std::vector<JsonField> Elements() const;  // an Array's elements, as many as the rule allows
  std::vector<JsonField> Members() const;   // a Map's members, each name a number in its range
  // An Object's members: none the rule lacks, every one it requires.
  JsonObject Fields() const;

 private:
  friend class JsonObject;
  JsonField(const nlohmann::json &value, const std::string &source, std::string path, const FieldRule &rule,
            std::string key);
  void ExpectType(FieldType type) const;
  [[noreturn]] void ExpectedRule() const;  // "expected <what the rule allows>, got <value>"

  const nlohmann::json *value_;
  std::string source_;
  std::string path_;
  const FieldRule *rule_;
  std::string key_;
  uint64_t keyNumber_ = 0;
};

struct JsonField::ChosenForm {
  const char *key;
  JsonField field;
  bool Is(const char *name) const { return key != nullptr && std::string(key) == name; }
};

class JsonObject {
 public:
  explicit JsonObject(const JsonField &field) : field_(field) {}

  bool Has(const char *name) const { return field_.value().contains(name); }
  std::optional<JsonField> Optional(const char *name) const;
  JsonField Required(const char *name) const;  // fails naming the object when absent

  // Each overload leaves out unchanged when the field is absent; integers are
  // range-checked against their rule, which must fit the type.
  void Read(const char *name, std::string &out) const;
  void Read(const char *name, std::u16string &out) const;
  void Read(const char *name, bool &out) const;
  void Read(const char *name, uint8_t &out) const;
  void Read(const char *name, uint16_t &out) const;
  void Read(const char *name, uint32_t &out) const;
  void Read(const char *name, uint64_t &out) const;

 private:
  JsonField field_;
};

// "0..686" for small ranges, "0..0xFFFFFFFF" for larger ones.
std::string FormatRange(uint64_t min, uint64_t max);

// What a rule allows, as messages say it: "an integer 0..255", "\"at-load\", ...".
std::string DescribeRule(const FieldRule &rule);

}  // namespace sim
