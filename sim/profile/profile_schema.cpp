#include "sim/profile/profile_schema.h"

#include <string>

#include "sim/profile/profile_fields.h"

namespace sim {
namespace {

using Json = nlohmann::ordered_json;

constexpr char kNumberPattern[] = "^([0-9]+|0[xX][0-9A-Fa-f]+)$";

Json Pattern(const char *pattern) { return {{"type", "string"}, {"pattern", pattern}}; }

Json OrNull(Json schema) { return {{"anyOf", Json::array({{{"type", "null"}}, std::move(schema)})}}; }

class SchemaWriter {
 public:
  Json Write(const FieldRule &rule, bool patch) {
    Json schema = Scalar(rule);
    schema = schema.is_null() ? Composite(rule, patch) : Defined(ScalarName(rule), std::move(schema));
    return rule.nullable ? OrNull(std::move(schema)) : schema;
  }

  Json TakeDefinitions() { return std::move(definitions_); }

 private:
  static Json Scalar(const FieldRule &rule) {
    switch (rule.type) {
      case FieldType::Integer: {
        Json number = {{"type", "integer"}, {"minimum", rule.min}, {"maximum", rule.max}};
        if (!rule.values.empty()) number = {{"enum", rule.values}};
        return {{"anyOf", Json::array({number, Pattern(kNumberPattern)})}};
      }
      case FieldType::Boolean:
        return {{"type", "boolean"}};
      case FieldType::Text:
        return rule.zeroAllowed ? Json{{"type", "string"}} : Pattern("^[^\\u0000]*$");
      case FieldType::Ascii: {
        Json schema = Pattern(rule.zeroAllowed ? "^[\\u0000-\\u007F]*$" : "^[\\u0001-\\u007F]*$");
        if (rule.max != UINT64_MAX) schema["maxLength"] = rule.max;
        return schema;
      }
      case FieldType::Hex:
        return Pattern("^ *([0-9A-Fa-f]{2} *)*$");
      case FieldType::Guid:
        return Pattern("^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$");
      case FieldType::Mac:
        return Pattern("^[0-9A-Fa-f]{2}([-:][0-9A-Fa-f]{2}){5}$");
      case FieldType::Choice: {
        Json names = Json::array();
        for (const FieldChoice &choice : rule.choices) names.push_back(choice.name);
        return {{"enum", names}};
      }
      default:
        return nullptr;
    }
  }

  // A scalar's name among the definitions, so that each kind is written once.
  static std::string ScalarName(const FieldRule &rule) {
    const std::string zero = rule.zeroAllowed ? "-with-zero" : "";
    switch (rule.type) {
      case FieldType::Integer: {
        std::string name = "integer";
        for (const uint64_t value : rule.values) name += "-" + std::to_string(value);
        return rule.values.empty() ? name + "-" + std::to_string(rule.min) + "-" + std::to_string(rule.max) : name;
      }
      case FieldType::Ascii:
        return "ascii" + zero + (rule.max == UINT64_MAX ? "" : "-" + std::to_string(rule.max));
      case FieldType::Text:
        return "text" + zero;
      case FieldType::Choice: {
        std::string name = "choice";
        for (const FieldChoice &choice : rule.choices) name += std::string("-") + choice.name;
        return name;
      }
      default:
        return TypeName(rule.type);
    }
  }

  static std::string TypeName(FieldType type) {
    switch (type) {
      case FieldType::Boolean:
        return "boolean";
      case FieldType::Hex:
        return "hex";
      case FieldType::Guid:
        return "guid";
      case FieldType::Mac:
        return "mac";
      default:
        return "value";
    }
  }

  Json Defined(const std::string &name, Json schema) {
    if (!definitions_.contains(name)) definitions_[name] = std::move(schema);
    return {{"$ref", "#/$defs/" + name}};
  }

  Json Member(const FieldRule &rule, bool patch) {
    Json schema = Write(rule, patch);
    return patch && !rule.nullable ? OrNull(std::move(schema)) : schema;
  }

  // others: in a patch, the members of the sibling forms, which the patch may set to null.
  Json Object(const FieldRule &rule, bool patch, const std::vector<const FieldMember *> &others = {}) {
    Json schema = {{"type", "object"}, {"properties", Json::object()}};
    Json required = Json::array();
    for (const FieldMember &member : rule.members) {
      schema["properties"][member.name] = Member(*member.rule, patch);
      if (member.required && !patch) required.push_back(member.name);
    }
    for (const FieldMember *other : others) {
      if (!schema["properties"].contains(other->name)) schema["properties"][other->name] = {{"type", "null"}};
    }
    if (!required.empty()) schema["required"] = required;
    schema["additionalProperties"] = false;
    return schema;
  }

  Json Forms(const FieldRule &rule, bool patch) {
    std::vector<const FieldMember *> all;
    for (const FieldForm &form : rule.forms) {
      for (const FieldMember &member : form.rule->members) all.push_back(&member);
    }
    Json forms = Json::array();
    for (const FieldForm &form : rule.forms) {
      const bool object = form.rule->type == FieldType::Object;
      forms.push_back(object ? Object(*form.rule, patch, patch ? all : std::vector<const FieldMember *>{})
                             : Write(*form.rule, patch));
    }
    return {{"anyOf", forms}};
  }

  // Byte strings nest, so they are one definition that refers to itself.
  Json Bytes(bool patch) {
    const std::string name = patch ? "bytes-patch" : "bytes";
    if (!definitions_.contains(name)) {
      definitions_[name] = Json::object();
      definitions_[name] = Forms(ByteStringRule(), patch);
    }
    return {{"$ref", "#/$defs/" + name}};
  }

  Json Composite(const FieldRule &rule, bool patch) {
    switch (rule.type) {
      case FieldType::Object:
        return Object(rule, patch);
      case FieldType::Map:
        return {{"type", "object"},
                {"propertyNames", {{"pattern", kNumberPattern}}},
                {"additionalProperties", Member(*rule.item, patch)}};
      case FieldType::Array: {
        // An array replaces the base's whole, so its elements are complete even in a patch.
        Json schema = {{"type", "array"}, {"items", Write(*rule.item, false)}};
        if (rule.min > 0) schema["minItems"] = rule.min;
        if (rule.max != UINT64_MAX) schema["maxItems"] = rule.max;
        return schema;
      }
      case FieldType::Forms:
        return &rule == &ByteStringRule() ? Bytes(patch) : Forms(rule, patch);
      default:
        return nullptr;
    }
  }

  Json definitions_ = Json::object();
};

}  // namespace

Json BoardProfileJsonSchema() {
  SchemaWriter writer;
  Json profile = writer.Write(BoardProfileRule(), false);
  Json patch = writer.Write(BoardProfileRule(), true);
  Json definitions = writer.TakeDefinitions();
  definitions["profile"] = std::move(profile);
  definitions["patch"] = std::move(patch);
  return {{"$schema", "https://json-schema.org/draft/2020-12/schema"},
          {"title", "setup-sim board profile"},
          {"description",
           "A board profile for setup-sim (docs/board-profile.md), generated from the loader's own field table by "
           "setup-sim --print-profile-schema. A profile with extends is a merge patch over its base."},
          {"$defs", std::move(definitions)},
          {"if", {{"type", "object"}, {"required", Json::array({"extends"})}}},
          {"then", {{"$ref", "#/$defs/patch"}}},
          {"else", {{"$ref", "#/$defs/profile"}}}};
}

}  // namespace sim
