// Every string the setup driver may set, read back from the firmware's HII
// database through EFI_HII_STRING_PROTOCOL, per package list.
#pragma once

#include "setup_companion_protocol.h"

// Writes "strings": {"CLASS": {"ID": text, ...} or null when the list is not
// registered, ...} into the current object.
void WriteStringReport(SetupCompanionProtocol *Companion);
