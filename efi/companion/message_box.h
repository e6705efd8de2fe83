// The board's MessageBoxProtocol, and the outcome the system management mode
// handler q35 lacks would leave for the management-engine update item.
#pragma once

#include "uefi/uefi_base.h"

// Whether a box is drawn on the console and waits for a key: only while someone
// works the form browser. Otherwise it is only recorded.
void DrawMessageBoxes(BOOLEAN OnScreen);

// Stores ShowMEUDFailMSG (volatile, "disabled") in place of the SMI handler: at
// load, or at EndOfDxe when the firmware dispatched the companion (variables
// cannot be written earlier in DXE).
EFI_STATUS StoreMeDisableOutcome();
