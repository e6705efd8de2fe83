// Boot services run with physical memory identity-mapped, so a physical address
// is loaded directly; volatile keeps each load of device memory exactly as written.
#include "platform/hardware_access.h"

UINT8 PhysicalRead8(UINT64 Address) { return *(volatile const UINT8 *)(UINTN)Address; }

UINT16 PhysicalRead16(UINT64 Address) { return *(volatile const UINT16 *)(UINTN)Address; }

UINT32 PhysicalRead32(UINT64 Address) { return *(volatile const UINT32 *)(UINTN)Address; }
