// The NVRAM variables the setup driver reads or writes, as the firmware holds
// them: every variable under the Setup and SetupMenuCondition GUIDs, and the four
// global language variables.
#pragma once

#include "uefi/uefi_base.h"

// Writes "Key": [{name, guid, attributes, size, data}, ...] into the current object.
void WriteVariableReport(const CHAR8 *Key);
