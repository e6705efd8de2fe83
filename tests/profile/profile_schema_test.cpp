// docs/board-profile.schema.json, which editors use for completion, against
// the loader: every field the loader knows at each object of every built-in
// board is in the schema, and every built-in board keeps to the schema's fields.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "sim/profile/builtin_files.h"
#include "sim/profile/profile_loader.h"

namespace sim {
namespace {

using nlohmann::json;

json ReadSchema() {
  std::ifstream in(SETUP_SCHEMA_FILE);
  std::ostringstream text;
  text << in.rdbuf();
  return json::parse(text.str());
}

// The fields the loader accepts in the object at pointer, from the message it
// gives for one it does not know; empty for an object read as a map.
std::vector<std::string> LoaderFields(const json &profile, const json::json_pointer &pointer) {
  json probe = profile;
  probe[pointer]["zz_unknown"] = 0;
  const std::string marker = "zz_unknown: unknown field (known here: ";
  std::string message;
  try {
    LoadBoardProfile(probe.dump(), "probe.json");
  } catch (const std::runtime_error &error) {
    message = error.what();
  }
  const size_t at = message.find(marker);
  std::vector<std::string> fields;
  if (at == std::string::npos) return fields;
  std::stringstream list(message.substr(at + marker.size(), message.find(')', at) - at - marker.size()));
  for (std::string field; std::getline(list >> std::ws, field, ',');) fields.push_back(field);
  return fields;
}

void Check(const json &profile, const json &value, const json &schema, const json::json_pointer &pointer) {
  SCOPED_TRACE(pointer.to_string());
  if (value.is_array() && schema.contains("items")) {
    for (size_t i = 0; i < value.size(); ++i) Check(profile, value[i], schema["items"], pointer / i);
  }
  if (!value.is_object() || !schema.contains("properties")) return;
  const json &properties = schema["properties"];
  for (const auto &[key, member] : value.items()) {
    ASSERT_TRUE(properties.contains(key)) << key << " is not in the schema";
    Check(profile, member, properties[key], pointer / key);
  }
  for (const std::string &field : LoaderFields(profile, pointer)) {
    EXPECT_TRUE(properties.contains(field)) << "the loader reads " << field << "; the schema lacks it";
  }
}

TEST(ProfileSchema, ListsEveryFieldTheLoaderReads) {
  const json schema = ReadSchema()["$defs"]["profile"];  // a whole board; a patch has its own form
  EXPECT_EQ(schema["additionalProperties"], false);
  for (const std::string &board : BuiltinBoardNames()) {
    SCOPED_TRACE(board);
    const json profile = EffectiveBuiltinBoardJson(board);
    Check(profile, profile, schema, json::json_pointer());
  }
}

}  // namespace
}  // namespace sim
