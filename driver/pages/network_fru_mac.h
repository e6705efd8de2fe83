// The MAC addresses of the two onboard network controllers, read from their
// receive-address registers through configuration mechanism #1 and each
// controller's I/O-mapped register window.
#pragma once

#include "uefi/uefi_base.h"

constexpr UINTN kMacAddressSize = 6;
constexpr UINTN kOnboardControllerCount = 2;

// Bits of the result of ReadOnboardMacAddresses.
constexpr UINT8 kFirstMacRead = 1;
constexpr UINT8 kSecondMacRead = 2;

// Writes progress code 0x21 to port 0x80, then fills bytes 0-5 of Mac with the first
// controller's address and bytes 6-11 with the second's, in display order. Returns
// which halves it filled; a controller that is absent or has no I/O window leaves
// its half unwritten.
UINT8 ReadOnboardMacAddresses(UINT8 Mac[kOnboardControllerCount * kMacAddressSize]);
