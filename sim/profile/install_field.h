// A protocol's install timing in a profile: "at-load", "after-publishing" or "never".
#pragma once

#include "sim/install_timing.h"
#include "sim/profile/json_field.h"

namespace sim {

Install ReadInstall(const JsonField &field);

}  // namespace sim
