// The boot as JSON for programs (the format is described in docs/simulator.md).
#pragma once

#include <ostream>

#include "tools/setup-sim/boot_session.h"

namespace setup_sim {

void WriteJsonReport(const BootSession &session, std::ostream &out);

}  // namespace setup_sim
