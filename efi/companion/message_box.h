// The board's MessageBoxProtocol, and the outcome the system management mode
// handler q35 lacks would leave for the management-engine update item.
#pragma once

#include "uefi/uefi_base.h"

// Whether a box is drawn on the console and waits for a key: only while someone
// works the form browser. Otherwise it is only recorded.
void DrawMessageBoxes(BOOLEAN OnScreen);

// Stores ShowMEUDFailMSG (volatile, "disabled") in place of the SMI handler.
EFI_STATUS StoreMeDisableOutcome();
