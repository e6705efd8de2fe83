#include "tools/setup-sim/nvram_json.h"

#include <nlohmann/json.hpp>

#include "sim/machine/guid_text.h"
#include "sim/machine/hex_text.h"
#include "tools/setup-sim/guid_names.h"
#include "tools/setup-sim/pages.h"
#include "tools/setup-sim/setup_fields.h"

namespace setup_sim {
namespace {

using Json = nlohmann::ordered_json;

Json Heading(const sim::StoredVariable &variable) {
  Json entry = {{"name", DisplayText(variable.name)}, {"guid", sim::GuidToText(variable.guid)}};
  if (const char *name = GuidName(variable.guid)) entry["guid_name"] = name;
  entry["attributes"] = variable.attributes;
  entry["size"] = variable.data.size();
  return entry;
}

}  // namespace

void WriteVariableListJson(const std::vector<sim::StoredVariable> &variables, std::ostream &out) {
  Json list = Json::array();
  for (const sim::StoredVariable &variable : variables) list.push_back(Heading(variable));
  out << Json{{"variables", std::move(list)}}.dump(2) << "\n";
}

void WriteVariableJson(const sim::StoredVariable &variable, std::ostream &out) {
  Json entry = Heading(variable);
  entry["data"] = sim::HexOf(variable.data);
  Json fields = Json::array();
  for (const SetupField &field : SetupFieldsOf(variable)) {
    if (field.offset + field.width > variable.data.size()) continue;
    fields.push_back({{"offset", field.offset},
                      {"width", field.width},
                      {"value", SetupFieldValue(variable, field)},
                      {"meaning", field.meaning}});
  }
  if (!fields.empty()) entry["fields"] = std::move(fields);
  out << entry.dump(2) << "\n";
}

}  // namespace setup_sim
