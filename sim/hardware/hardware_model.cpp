#include "sim/hardware/hardware_model.h"

#include <algorithm>

#include "sim/hardware/port_width.h"

namespace sim {

namespace {
constexpr uint16_t kConfigAddressPort = 0xCF8;
}  // namespace

HardwareModel::HardwareModel(const HardwareSpec &hardware)
    : portValues_(hardware.portValues), msrs_(hardware.msrs), cpuid_(hardware.cpuid), memory_(hardware.memory) {
  for (const PciFunctionSpec &function : hardware.pci) AddPciFunction(function);
  // The PCI Express base register, unless the profile's own bytes for 0:5.0 cover it.
  constexpr uint16_t kBaseRegister = 0x84;
  bool profileSetsBase = std::any_of(hardware.pci.begin(), hardware.pci.end(), [](const PciFunctionSpec &f) {
    return f.bus == 0 && f.device == 5 && f.function == 0 && f.config.size() >= kBaseRegister + 4;
  });
  if (!profileSetsBase) {
    std::vector<uint8_t> &space = pci_[{0, 5, 0}];
    space.resize(4096, 0);
    PciConfigWrite(0, 5, 0, kBaseRegister, 4, hardware.pciExpressBase);
  }
}

void HardwareModel::AddPciFunction(const PciFunctionSpec &function) {
  std::vector<uint8_t> &space = pci_[{function.bus, function.device, function.function}];
  space.assign(4096, 0);
  std::copy_n(function.config.begin(), std::min<size_t>(function.config.size(), space.size()), space.begin());
}

uint32_t HardwareModel::PortRead(uint16_t port, int width) {
  uint32_t mask = WidthMask(width);
  uint8_t bus, device, function;
  uint16_t offset;
  if (ConfigDataPort(port, bus, device, function, offset)) {
    return PciConfigRead(bus, device, function, offset, width);
  }
  if (port == kConfigAddressPort && width == 4) {
    return configAddress_;
  }
  if (PortDevice *attached = DeviceAt(port)) {
    return attached->Read(port, width) & mask;
  }
  auto value = portValues_.find(port);
  return (value == portValues_.end() ? 0xFFFFFFFFu : value->second) & mask;
}

void HardwareModel::PortWrite(uint16_t port, int width, uint32_t value) {
  value &= WidthMask(width);
  for (const auto &observer : observers_) {
    observer(port, width, value);
  }
  uint8_t bus, device, function;
  uint16_t offset;
  if (port == kConfigAddressPort && width == 4) {
    configAddress_ = value;
  } else if (ConfigDataPort(port, bus, device, function, offset)) {
    PciConfigWrite(bus, device, function, offset, width, value);
  } else if (PortDevice *attached = DeviceAt(port)) {
    attached->Write(port, width, value);
  }
  // A plain port keeps the value the profile gives for its reads.
}

PortDevice *HardwareModel::DeviceAt(uint16_t port) const {
  for (auto it = devices_.rbegin(); it != devices_.rend(); ++it) {
    if (port >= it->first && port <= it->last) {
      return it->device.get();
    }
  }
  return nullptr;
}

uint64_t HardwareModel::MsrRead(uint32_t index) {
  auto value = msrs_.find(index);
  return value == msrs_.end() ? 0 : value->second;
}

void HardwareModel::MsrWrite(uint32_t index, uint64_t value) { msrs_[index] = value; }

void HardwareModel::Cpuid(uint32_t leaf, uint32_t subleaf, uint32_t out[4]) {
  const CpuidSpec *match = nullptr;
  bool leafHasSubleaves = false;
  for (const CpuidSpec &entry : cpuid_) {
    if (entry.leaf != leaf) {
      continue;
    }
    if (entry.subleaf == subleaf) {
      match = &entry;
      break;
    }
    if (entry.subleaf != 0) {
      leafHasSubleaves = true;
    } else if (match == nullptr) {
      match = &entry;
    }
  }
  if (match != nullptr && match->subleaf != subleaf && leafHasSubleaves) {
    match = nullptr;
  }
  out[0] = match ? match->eax : 0;
  out[1] = match ? match->ebx : 0;
  out[2] = match ? match->ecx : 0;
  out[3] = match ? match->edx : 0;
}

void HardwareModel::OnPortWrite(std::function<void(uint16_t port, int width, uint32_t value)> observer) {
  observers_.push_back(std::move(observer));
}

void HardwareModel::AttachPortDevice(uint16_t first, uint16_t last, std::shared_ptr<PortDevice> device) {
  devices_.push_back({first, last, std::move(device)});
}

uint64_t HardwareModel::PhysicalRead(uint64_t address, int width) {
  WidthMask(width);
  uint64_t value = 0;
  for (int i = width - 1; i >= 0; i--) {
    value = value << 8 | PhysicalByte(address + i);
  }
  return value;
}

uint8_t HardwareModel::PhysicalByte(uint64_t address) {
  constexpr uint64_t kWindowSize = 256ull << 20;  // 256 buses of 1 MiB
  uint64_t base = PciConfigRead(0, 5, 0, 0x84, 4) & 0xFFFFFFF0u;
  if (address >= base && address - base < kWindowSize) {
    uint64_t offset = address - base;
    return static_cast<uint8_t>(PciConfigRead(static_cast<uint8_t>(offset >> 20), (offset >> 15) & 0x1F,
                                              (offset >> 12) & 7, offset & 0xFFF, 1));
  }
  for (const MemoryRegionSpec &region : memory_) {
    if (address >= region.base && address - region.base < region.bytes.size()) {
      return region.bytes[address - region.base];
    }
  }
  return 0xFF;
}

}  // namespace sim
