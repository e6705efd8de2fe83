// The published form sets shown in the firmware's form browser, one after another,
// for whoever drives the console (efi/run-qemu does, through the serial port).
#pragma once

#include "run_request.h"
#include "setup_companion_protocol.h"

// For each list in the seeds' order that is still registered, has forms and is of
// a class the request browses: a line
// "==== setup-efi browse CLASS ====" on the serial port, then SendForm until the
// user leaves it. Afterwards one JSON report between the lines
// "==== setup-efi browser report begin/end ====": each SendForm's class, status
// and action request, and the companion's records logged while browsing.
void BrowsePublishedForms(SetupCompanionProtocol *Companion, const RunRequest &Request);
