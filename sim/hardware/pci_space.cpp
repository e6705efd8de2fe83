// PCI configuration space of the board model and configuration mechanism #1.
#include "sim/hardware/hardware_model.h"
#include "sim/hardware/port_width.h"

#include <algorithm>

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

void HardwareModel::AddPciFunction(const PciFunctionSpec &function) {
  std::vector<uint8_t> &space = pci_[{function.bus, function.device, function.function}];
  space.assign(kConfigSpaceSize, 0);
  std::copy_n(function.config.begin(), std::min(function.config.size(), space.size()), space.begin());
}

const std::vector<uint8_t> *HardwareModel::ConfigSpace(uint8_t bus, uint8_t device, uint8_t function) const {
  if (auto added = pci_.find({bus, device, function}); added != pci_.end()) return &added->second;
  for (auto it = hardware_.pci.rbegin(); it != hardware_.pci.rend(); ++it) {
    if (it->bus == bus && it->device == device && it->function == function) return &it->config;
  }
  return nullptr;
}

std::vector<uint8_t> *HardwareModel::WritableConfigSpace(uint8_t bus, uint8_t device, uint8_t function) {
  if (auto added = pci_.find({bus, device, function}); added != pci_.end()) return &added->second;
  for (auto it = hardware_.pci.rbegin(); it != hardware_.pci.rend(); ++it) {
    if (it->bus == bus && it->device == device && it->function == function) {
      AddPciFunction(*it);
      return &pci_[{bus, device, function}];
    }
  }
  return nullptr;
}

uint32_t HardwareModel::PciConfigRead(uint8_t bus, uint8_t device, uint8_t function, uint16_t offset, int width) {
  uint32_t mask = WidthMask(width);
  const std::vector<uint8_t> *space = ConfigSpace(bus, device, function);
  if (space == nullptr) {
    return mask;
  }
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; i--) {
    size_t at = size_t{offset} + i;
    const uint8_t byte = at < space->size() ? (*space)[at] : 0;
    value = value << 8 | (at < kConfigSpaceSize ? byte : 0xFF);
  }
  return value;
}

void HardwareModel::PciConfigWrite(uint8_t bus, uint8_t device, uint8_t function, uint16_t offset, int width,
                                   uint32_t value) {
  WidthMask(width);
  std::vector<uint8_t> *space = WritableConfigSpace(bus, device, function);
  if (space == nullptr) {
    return;
  }
  for (int i = 0; i < width; i++) {
    size_t at = size_t{offset} + i;
    if (at < space->size()) {
      (*space)[at] = static_cast<uint8_t>(value >> (8 * i));
    }
  }
}

}  // namespace sim
