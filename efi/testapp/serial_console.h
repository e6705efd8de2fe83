// Bytes to the first serial port through the serial I/O protocol, bypassing the
// console's terminal emulation, so a long line reaches the host unchanged.
#pragma once

#include "uefi/uefi_base.h"

// Finds the serial port; false when the firmware has none.
BOOLEAN SerialOpen();
void SerialWrite(const CHAR8 *Bytes, UINTN Length);
void SerialWriteText(const CHAR8 *Text);
// Sends what is buffered.
void SerialFlush();
