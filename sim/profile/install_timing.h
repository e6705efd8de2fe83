// When a platform protocol of a profile appears: "at-load", "after-publishing"
// or "never". Read by every section that has such a protocol.
#pragma once

#include "sim/board_profile.h"
#include "sim/profile/json_field.h"

namespace sim {

Install ReadInstall(const JsonField &field);

}  // namespace sim
