// PCI configuration space of the board model and configuration mechanism #1.
#include "sim/hardware/hardware_model.h"
#include "sim/hardware/port_width.h"

namespace sim {

namespace {
constexpr uint16_t kConfigDataPort = 0xCFC;
constexpr uint32_t kConfigEnable = 0x80000000u;
}  // namespace

// 0xCFC..0xCFF reach the dword that 0xCF8 selects (its low two bits ignored) at the
// byte the port names; with the enable bit clear they are ordinary ports.
bool HardwareModel::ConfigDataPort(uint16_t port, uint8_t &bus, uint8_t &device, uint8_t &function,
                                   uint16_t &offset) const {
  if (port < kConfigDataPort || port > kConfigDataPort + 3 || (configAddress_ & kConfigEnable) == 0) {
    return false;
  }
  bus = (configAddress_ >> 16) & 0xFF;
  device = (configAddress_ >> 11) & 0x1F;
  function = (configAddress_ >> 8) & 7;
  offset = (configAddress_ & 0xFC) + (port - kConfigDataPort);
  return true;
}

uint32_t HardwareModel::PciConfigRead(uint8_t bus, uint8_t device, uint8_t function, uint16_t offset, int width) {
  uint32_t mask = WidthMask(width);
  auto space = pci_.find({bus, device, function});
  if (space == pci_.end()) {
    return mask;
  }
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; i--) {
    size_t at = size_t{offset} + i;
    value = value << 8 | (at < space->second.size() ? space->second[at] : 0xFF);
  }
  return value;
}

void HardwareModel::PciConfigWrite(uint8_t bus, uint8_t device, uint8_t function, uint16_t offset, int width,
                                   uint32_t value) {
  WidthMask(width);
  auto space = pci_.find({bus, device, function});
  if (space == pci_.end()) {
    return;
  }
  for (int i = 0; i < width; i++) {
    size_t at = size_t{offset} + i;
    if (at < space->second.size()) {
      space->second[at] = static_cast<uint8_t>(value >> (8 * i));
    }
  }
}

}  // namespace sim
