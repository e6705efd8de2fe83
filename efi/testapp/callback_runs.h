// The form callbacks a run asks for, called as the menu browser calls them:
// through the FormCallbackInstance registered for the list of that class.
#pragma once

#include "run_request.h"
#include "setup_companion_protocol.h"

// Writes "callbacks": [{class, key, status} or {class, key, skipped}, ...].
void RunFormCallbacks(SetupCompanionProtocol *Companion, const RunRequest &Request);
