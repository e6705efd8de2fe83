#include "platform/pci_configuration.h"

#include "platform/hardware_access.h"

UINT32 PciPortRead32(UINT32 Address) {
  PortWrite32(kPciConfigAddressPort, Address);
  return PortRead32(kPciConfigDataPort);
}

UINT8 PciPortRead8(UINT32 Address) {
  PortWrite32(kPciConfigAddressPort, Address);
  return PortRead8(kPciConfigDataPort + (Address & 3));
}

UINT32 PciExpressBase() { return PciPortRead32(PciPortAddress(0, 5, 0, 0x84)) & 0xFFFFFFF0U; }

static UINT32 PciExpressAddress(UINT8 Bus, UINT8 Device, UINT8 Function, UINT16 Register) {
  return PciExpressBase() + ((UINT32)Bus << 20) + ((UINT32)(Device & 0x1F) << 15) + ((UINT32)(Function & 7) << 12) +
         (Register & 0xFFFU);
}

UINT8 PciExpressRead8(UINT8 Bus, UINT8 Device, UINT8 Function, UINT16 Register) {
  return PhysicalRead8(PciExpressAddress(Bus, Device, Function, Register));
}

UINT16 PciExpressRead16(UINT8 Bus, UINT8 Device, UINT8 Function, UINT16 Register) {
  return PhysicalRead16(PciExpressAddress(Bus, Device, Function, Register));
}

UINT32 PciExpressRead32(UINT8 Bus, UINT8 Device, UINT8 Function, UINT16 Register) {
  return PhysicalRead32(PciExpressAddress(Bus, Device, Function, Register));
}
