#include "sim/profile/field_rule.h"

#include <algorithm>
#include <optional>

#include "sim/profile/number_text.h"

namespace sim {

const FieldMember *FindMember(const FieldRule &rule, const std::string &name) {
  for (const FieldMember &member : rule.members) {
    if (name == member.name) return &member;
  }
  return nullptr;
}

bool Accepts(const FieldRule &rule, const nlohmann::json &value) {
  if (value.is_null()) return rule.nullable;
  switch (rule.type) {
    case FieldType::Integer: {
      std::optional<uint64_t> number;
      if (value.is_number_unsigned()) number = value.get<uint64_t>();
      if (value.is_string()) number = ParseNumberText(value.get<std::string>());
      if (!number || *number < rule.min || *number > rule.max) return false;
      return rule.values.empty() || std::count(rule.values.begin(), rule.values.end(), *number) != 0;
    }
    case FieldType::Boolean:
      return value.is_boolean();
    case FieldType::Choice:
      return value.is_string() && std::any_of(rule.choices.begin(), rule.choices.end(), [&](const FieldChoice &choice) {
               return value.get<std::string>() == choice.name;
             });
    case FieldType::Object:
    case FieldType::Map:
      return value.is_object();
    case FieldType::Array:
      return value.is_array();
    case FieldType::Forms:
      return ChooseForm(rule, value) != nullptr;
    case FieldType::Text:
    case FieldType::Ascii:
    case FieldType::Hex:
    case FieldType::Guid:
    case FieldType::Mac:
      return value.is_string();
  }
  return false;
}

const FieldForm *ChooseForm(const FieldRule &rule, const nlohmann::json &value) {
  if (value.is_object()) {
    for (const FieldForm &form : rule.forms) {
      if (form.key != nullptr && value.contains(form.key)) return &form;
    }
  }
  for (const FieldForm &form : rule.forms) {
    if (form.key == nullptr && Accepts(*form.rule, value)) return &form;
  }
  return nullptr;
}

}  // namespace sim
