// Names of firmware status values for the "%r" directive, as 8-bit text.
#pragma once

#include "uefi/uefi_base.h"

// The text shown before the code of a status without a name.
extern const CHAR8 kStatusCodeText[];

// The name of Status, or null when it has none.
const CHAR8 *StatusName(EFI_STATUS Status);
