// What a field of a profile may hold: its type, range, choices, members and
// short forms. The loader reads every field through its rule (JsonField
// carries the rule of the value it holds), and the profile's JSON Schema is
// generated from the same rules (profile_schema.h), so the two cannot disagree.
#pragma once

#include <cstdint>
#include <vector>

#include <nlohmann/json.hpp>

namespace sim {

enum class FieldType {
  Object,   // members by name
  Map,      // members keyed by numbers (ports, offsets, classes), each value of one rule
  Array,    // elements of one rule
  Integer,  // a JSON integer or a string holding a decimal or 0x-prefixed number
  Boolean,
  Text,     // UTF-8 text
  Ascii,    // 8-bit ASCII text of at most max characters
  Hex,      // hex bytes, two digits each, blanks allowed between bytes
  Guid,     // "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9"
  Mac,      // "00-1E-67-2A-51-3C" or with ':'
  Choice,   // one of choices
  Forms,    // one of several short forms
};

struct FieldRule;

// A choice's text and the number the loader reads it as.
struct FieldChoice {
  const char *name;
  uint64_t value;
};

struct FieldMember {
  const char *name;
  const FieldRule *rule;
  bool required;
};

// One short form. A form with a key is taken for an object holding that key; the
// forms without one are tried in order for any other value.
struct FieldForm {
  const char *key;  // nullptr: none
  const FieldRule *rule;
};

struct FieldRule {
  FieldType type = FieldType::Object;
  // Integer: the range; Array: the fewest and most elements; Ascii: the longest
  // text (max); Map: the range of its keys.
  uint64_t min = 0;
  uint64_t max = 0;
  bool nullable = false;      // null is a value of its own here (a null pointer)
  bool zeroAllowed = false;   // Text, Ascii: a zero character is part of the bytes, not an end
  std::vector<uint64_t> values;       // Integer: the only values allowed, when not all of the range is
  std::vector<FieldChoice> choices;   // Choice
  std::vector<FieldMember> members;   // Object
  const FieldRule *item = nullptr;    // Array: each element; Map: each value
  const char *keyWhat = "";           // Map: what a key is, for messages ("a port number")
  std::vector<FieldForm> forms;       // Forms
};

// The member of an object rule of that name, or nullptr.
const FieldMember *FindMember(const FieldRule &rule, const std::string &name);

// Whether a value has a scalar rule's type and lies within it (for choosing
// among forms that have no key).
bool Accepts(const FieldRule &rule, const nlohmann::json &value);

// The form of a Forms rule that value takes, or nullptr when none fits.
const FieldForm *ChooseForm(const FieldRule &rule, const nlohmann::json &value);

}  // namespace sim
