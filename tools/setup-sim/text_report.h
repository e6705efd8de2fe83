// The boot as text for people: the pages, the NVRAM, the event log, pool leaks
// and the entry point's status.
#pragma once

#include <ostream>

#include "tools/setup-sim/boot_session.h"
#include "tools/setup-sim/variable_display.h"

namespace setup_sim {

void WriteTextReport(const BootSession &session, std::ostream &out);

// One variable as the report lists it: name, GUID, attributes and size, then
// its bytes as hex and ASCII (WriteVariable); the first line alone (WriteVariableHeading).
void WriteVariableHeading(const sim::StoredVariable &variable, std::ostream &out);
void WriteVariable(const sim::StoredVariable &variable, const ShownVariable &shown, std::ostream &out);

}  // namespace setup_sim
