// The whole HII database as the firmware holds it, every driver's package lists
// and ours, exported onto the boot disk for setup-sim forms to decode.
#pragma once

#include "uefi/uefi_base.h"

// Exports with EFI_HII_DATABASE_PROTOCOL.ExportPackageLists to \setup\hii.bin and
// writes "hii_export": {status, size, write_status} into the current object.
void WriteHiiExport();
