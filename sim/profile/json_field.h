// Strict reading of profile JSON: every value travels with its source name and
// its path, so a fault is reported as one line that says where it sits, e.g.
//   board.json: hardware.ports."0xA35": expected an integer 0..0xFFFFFFFF, got "x"
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "driver/uefi/uefi_base.h"

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
  JsonField(const nlohmann::json &value, const std::string &source, std::string path, std::string key = {});

  const nlohmann::json &value() const { return *value_; }

  [[noreturn]] void Fail(const std::string &message) const;
  [[noreturn]] void Expected(const std::string &what) const;  // "expected <what>, got <value>"

  // A JSON integer or a string holding a decimal or 0x-prefixed hexadecimal number.
  uint64_t Unsigned(uint64_t max, uint64_t min = 0) const;
  bool Bool() const;
  std::string String() const;
  std::u16string Text() const;  // a JSON string as UTF-16
  EFI_GUID Guid() const;
  // The member's own name read as a number (for maps such as ports or offsets).
  uint64_t KeyNumber(uint64_t max, const std::string &what) const;

  std::vector<JsonField> Elements() const;  // the elements of an array
  std::vector<JsonField> Members() const;   // the members of a map-like object
  // An object whose fields must all be among known.
  JsonObject Fields(const std::vector<const char *> &known) const;

 private:
  friend class JsonObject;
  const nlohmann::json *value_;
  std::string source_;
  std::string path_;
  std::string key_;
};

class JsonObject {
 public:
  explicit JsonObject(const JsonField &field) : field_(field) {}

  bool Has(const char *name) const { return field_.value().contains(name); }
  std::optional<JsonField> Optional(const char *name) const;
  JsonField Required(const char *name) const;  // fails naming the object when absent

  // Each overload leaves out unchanged when the field is absent; integers are
  // range-checked against their type.
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

}  // namespace sim
