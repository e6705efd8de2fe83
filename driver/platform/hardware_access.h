// Single-instruction hardware access. The firmware image implements these with
// inline assembly (platform/x64); the host build gets them from the simulator's
// board model. Pages reach hardware only through this header.
#pragma once

#include "uefi/uefi_base.h"

UINT8 PortRead8(UINT16 Port);
UINT8 PortWrite8(UINT16 Port, UINT8 Value);
UINT16 PortRead16(UINT16 Port);
UINT16 PortWrite16(UINT16 Port, UINT16 Value);
UINT32 PortRead32(UINT16 Port);
UINT32 PortWrite32(UINT16 Port, UINT32 Value);

UINT64 MsrRead(UINT32 Index);
UINT64 MsrWrite(UINT32 Index, UINT64 Value);

// Executes CPUID with EAX = Leaf and ECX = *Ecx (the sub-leaf); all four pointers are required.
void CpuidQuery(UINT32 Leaf, UINT32 *Eax, UINT32 *Ebx, UINT32 *Ecx, UINT32 *Edx);

UINT64 TimestampRead();
void SpinPause();

// Loads from physical memory: the memory-mapped PCI Express configuration space,
// the legacy BIOS area and option ROM images.
UINT8 PhysicalRead8(UINT64 Address);
UINT16 PhysicalRead16(UINT64 Address);
UINT32 PhysicalRead32(UINT64 Address);

// Unsigned division; the remainder is stored only when Remainder is not null. A
// divisor of 0 gives a quotient of all ones and the dividend as remainder rather
// than a divide fault.
UINT64 DivRem64(UINT64 Dividend, UINT64 Divisor, UINT64 *Remainder);
// The low 64 bits of the product.
UINT64 Mul64(UINT64 First, UINT64 Second);
// Shifts by Count modulo 64.
UINT64 ShiftLeft64(UINT64 Value, UINTN Count);
// Stores (*Cell AND AndMask) OR OrValue into the cell and returns it.
UINT32 AndOr32(UINT32 *Cell, UINT32 OrValue, UINT32 AndMask);

// Physical base of the memory-mapped PCI Express configuration space, read afresh
// from bus 0, device 5, function 0, register 0x84 (low four bits cleared).
UINT32 PciExpressBase();
