// The boot as text for people: the pages, the NVRAM, the event log, pool leaks
// and the entry point's status.
#pragma once

#include <ostream>

#include "tools/setup-sim/boot_session.h"

namespace setup_sim {

void WriteTextReport(const BootSession &session, std::ostream &out);

}  // namespace setup_sim
