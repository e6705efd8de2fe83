// The JSON Schema of board profiles (docs/board-profile.schema.json), generated
// from the loader's own field table (profile_fields.h). A profile with
// "extends" is a merge patch over its base, so it is checked by a second form of
// every object: members optional, null allowed (it removes the base's field),
// while an array, which replaces the base's whole, is checked as it stands.
#pragma once

#include <nlohmann/json.hpp>

namespace sim {

nlohmann::ordered_json BoardProfileJsonSchema();

}  // namespace sim
