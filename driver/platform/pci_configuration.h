// PCI configuration space by the two conventions the pages use: configuration
// mechanism #1 through the port pair 0xCF8/0xCFC, and the memory-mapped PCI
// Express window whose base PciExpressBase reports. Neither is guarded against
// interruption between its address and data steps.
#pragma once

#include "uefi/uefi_base.h"

constexpr UINT16 kPciConfigAddressPort = 0xCF8;
constexpr UINT16 kPciConfigDataPort = 0xCFC;

// The 0xCF8 address of a register: enable bit, bus, device, function and the
// register offset with its low two bits kept (they select the byte at 0xCFC..0xCFF).
constexpr UINT32 PciPortAddress(UINT8 Bus, UINT8 Device, UINT8 Function, UINT8 Register) {
  return 0x80000000U | (UINT32)Bus << 16 | (UINT32)(Device & 0x1F) << 11 | (UINT32)(Function & 7) << 8 | Register;
}

// Writes Address to 0xCF8, then reads the dword at 0xCFC.
UINT32 PciPortRead32(UINT32 Address);
// Writes Address to 0xCF8, then reads the byte at 0xCFC + (Address AND 3).
UINT8 PciPortRead8(UINT32 Address);

// Loads from PciExpressBase + bus x 0x100000 + device x 0x8000 + function x 0x1000
// + register, formed in 32-bit arithmetic (the window lies below 4 GiB).
UINT8 PciExpressRead8(UINT8 Bus, UINT8 Device, UINT8 Function, UINT16 Register);
UINT16 PciExpressRead16(UINT8 Bus, UINT8 Device, UINT8 Function, UINT16 Register);
UINT32 PciExpressRead32(UINT8 Bus, UINT8 Device, UINT8 Function, UINT16 Register);
