// The per-socket processor details (socket 0) from the "CPU DATA" variable that
// the processor firmware leaves, and the Setup bytes the forms lay them out by.
#pragma once

#include "uefi/uefi_base.h"

// The brand text field of "CPU DATA"; a brand that fills it has no terminator.
constexpr UINTN kBrandFieldSize = 48;
constexpr UINTN kBrandTextSize = kBrandFieldSize + 1;

// The two parts the forms show a brand in: First is the brand up to its second
// blank; Second is the word after its third blank (and the blanks that follow
// it), or its first word when it has fewer than three blanks.
void SplitBrand(const UINT8 (&Brand)[kBrandFieldSize], CHAR8 (&First)[kBrandTextSize],
                CHAR8 (&Second)[kBrandTextSize]);
