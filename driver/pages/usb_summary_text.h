// The USB summary line, built from the six device counts.
#pragma once

#include "pages/usb_summary_protocol.h"

// The longest line: six blanks and every kind shown with a three-digit count and
// its plural label, joined by ", " (86 characters), and the terminator.
constexpr UINTN kUsbSummaryCapacity = 87;

// Six blanks, then "<count> <label>" for each kind shown, joined by ", ", or
// "None" when no kind is shown. Summary holds kUsbSummaryCapacity characters.
void BuildUsbSummary(const UINT8 Counts[kUsbDeviceKindCount], CHAR16 *Summary);
