// What the machine itself is, as far as the setup driver can see it: the
// firmware's identity, the PCI functions of bus 0, the ports and legacy BIOS area
// bytes it reads, the disks behind EFI_DISK_INFO_PROTOCOL, and whether a write to
// the software SMI port would raise an SMI.
#pragma once

#include "uefi/uefi_base.h"

// Writes "machine": {...} into the current object.
void WriteMachineReport();

// Whether a byte written to port 0xB2 raises an SMI now: the LPC bridge's power
// management block has APM SMIs enabled.
BOOLEAN ApmSmiEnabled();
