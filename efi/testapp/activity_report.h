// The companion's record of the setup driver's calls into the board's components.
#pragma once

#include "setup_companion_protocol.h"

// Writes "activity": [{kind, detail, values, text}, ...] into the current object:
// every record from First on (none when First is null).
void WriteActivityReport(const CompanionRecord *First);
