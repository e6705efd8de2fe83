#include "pages/network_fru_mac.h"

#include "platform/hardware_access.h"
#include "platform/pci_configuration.h"

namespace {

constexpr UINT16 kProgressCodePort = 0x80;
constexpr UINT8 kMacReadProgressCode = 0x21;

// Configuration register 0 (vendor and device id) of each controller.
constexpr UINT32 kFirstControllerIdentity = 0x15028086;
constexpr UINT32 kSecondControllerIdentity = 0x10D38086;
// The second controller sits behind this root port, on its secondary bus.
constexpr UINT8 kRootPortDevice = 28;
constexpr UINT8 kRootPortFunction = 1;
constexpr UINT8 kSecondaryBusRegister = 0x19;

constexpr UINT8 kIoBarRegister = 0x18;
constexpr UINT32 kIoBarFlagBits = 7;
// The window: write a register number at the I/O base, read its value at base + 4.
constexpr UINT16 kWindowDataOffset = 4;
constexpr UINT32 kReceiveAddressLow = 0x5400;   // MAC bytes 0-3, least significant first
constexpr UINT32 kReceiveAddressHigh = 0x5404;  // MAC bytes 4-5 in its two low bytes

UINT32 ReadWindowRegister(UINT16 IoBase, UINT32 Register) {
  PortWrite32(IoBase, Register);
  return PortRead32((UINT16)(IoBase + kWindowDataOffset));
}

BOOLEAN ReadControllerMac(UINT8 Bus, UINT8 Device, UINT8 Function, UINT32 Identity, UINT8 *Mac) {
  if (PciPortRead32(PciPortAddress(Bus, Device, Function, 0)) != Identity) {
    return false;
  }
  // The port is the low 16 bits; an unassigned window (0) is never written, as port
  // 0 belongs to the DMA controller.
  UINT16 IoBase = (UINT16)(PciPortRead32(PciPortAddress(Bus, Device, Function, kIoBarRegister)) & ~kIoBarFlagBits);
  if (IoBase == 0) {
    return false;
  }
  UINT32 Low = ReadWindowRegister(IoBase, kReceiveAddressLow);
  UINT32 High = ReadWindowRegister(IoBase, kReceiveAddressHigh);
  for (UINTN Index = 0; Index < 4; Index++) {
    Mac[Index] = (UINT8)(Low >> (8 * Index));
  }
  Mac[4] = (UINT8)High;
  Mac[5] = (UINT8)(High >> 8);
  return true;
}

}  // namespace

UINT8 ReadOnboardMacAddresses(UINT8 Mac[kOnboardControllerCount * kMacAddressSize]) {
  PortWrite8(kProgressCodePort, kMacReadProgressCode);
  UINT8 Read = 0;
  if (ReadControllerMac(0, 25, 0, kFirstControllerIdentity, Mac)) {
    Read |= kFirstMacRead;
  }
  if (PciPortRead32(PciPortAddress(0, kRootPortDevice, kRootPortFunction, 0)) == 0xFFFFFFFFU) {
    return Read;
  }
  UINT8 Bus = PciPortRead8(PciPortAddress(0, kRootPortDevice, kRootPortFunction, kSecondaryBusRegister));
  if (ReadControllerMac(Bus, 0, 0, kSecondControllerIdentity, Mac + kMacAddressSize)) {
    Read |= kSecondMacRead;
  }
  return Read;
}
