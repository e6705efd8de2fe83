// Reading of package-list settings, shared by boards/package-lists.json (which
// defines the lists) and board profiles (which adjust them per class).
#pragma once

#include <vector>

#include "sim/board_profile.h"
#include "sim/profile/json_field.h"

namespace sim {

// The size of the Setup record, the length of every list's default image
// unless a profile gives another.
inline constexpr size_t kSetupImageSize = 687;

// Applies an object's "languages", "defaults", "default_image",
// "default_image_size" and "strings" to list; the object's other fields are
// the caller's to read.
void ApplyListSettings(const JsonObject &object, PackageListSpec &list);

// The lists of boards/package-lists.json as built into the simulator.
const std::vector<PackageListSpec> &BuiltinPackageLists();

}  // namespace sim
