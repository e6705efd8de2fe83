#include "sim/hardware/hardware_model.h"

#include <algorithm>

#include "sim/hardware/port_width.h"

namespace sim {

namespace {
constexpr uint16_t kConfigAddressPort = 0xCF8;
}  // namespace

HardwareModel::HardwareModel(const HardwareSpec &hardware) : hardware_(hardware) {
  // The PCI Express base register, unless the profile's own bytes for 0:5.0 cover it.
  constexpr uint16_t kBaseRegister = 0x84;
  bool profileSetsBase = std::any_of(hardware.pci.begin(), hardware.pci.end(), [](const PciFunctionSpec &f) {
    return f.bus == 0 && f.device == 5 && f.function == 0 && f.config.size() >= kBaseRegister + 4;
  });
  if (!profileSetsBase) {
    if (ConfigSpace(0, 5, 0) == nullptr) pci_[{0, 5, 0}].resize(kConfigSpaceSize, 0);
    PciConfigWrite(0, 5, 0, kBaseRegister, 4, hardware.pciExpressBase);
  }
}

uint32_t HardwareModel::PortRead(uint16_t port, int width) {
  uint32_t mask = WidthMask(width);
  uint8_t bus, device, function;
  uint16_t offset;
  if (ConfigDataPort(port, bus, device, function, offset)) {
    const uint32_t value = PciConfigRead(bus, device, function, offset, width);
    Record(HardwareAccess::Path::ConfigPorts, false, ConfigAddress(bus, device, function, offset), width, value);
    return value;
  }
  if (port == kConfigAddressPort && width == 4) {
    return configAddress_;
  }
  if (PortDevice *attached = DeviceAt(port)) {
    const uint32_t value = attached->Read(port, width) & mask;
    Record(HardwareAccess::Path::DevicePort, false, port, width, value);
    return value;
  }
  auto value = hardware_.portValues.find(port);
  return (value == hardware_.portValues.end() ? 0xFFFFFFFFu : value->second) & mask;
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
    Record(HardwareAccess::Path::ConfigPorts, true, ConfigAddress(bus, device, function, offset), width, value);
    PciConfigWrite(bus, device, function, offset, width, value);
  } else if (PortDevice *attached = DeviceAt(port)) {
    Record(HardwareAccess::Path::DevicePort, true, port, width, value);
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
  if (auto written = writtenMsrs_.find(index); written != writtenMsrs_.end()) return written->second;
  auto value = hardware_.msrs.find(index);
  return value == hardware_.msrs.end() ? 0 : value->second;
}

void HardwareModel::MsrWrite(uint32_t index, uint64_t value) { writtenMsrs_[index] = value; }

void HardwareModel::Cpuid(uint32_t leaf, uint32_t subleaf, uint32_t out[4]) {
  const CpuidSpec *match = nullptr;
  bool leafHasSubleaves = false;
  for (const CpuidSpec &entry : hardware_.cpuid) {
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

void HardwareModel::Record(HardwareAccess::Path path, bool write, uint32_t address, int width, uint32_t value) {
  if (tracing_) trace_.push_back({path, write, address, static_cast<uint8_t>(width), value});
}

bool HardwareModel::InWindow(uint64_t address, uint32_t &offset) {
  constexpr uint64_t kWindowSize = 256ull << 20;  // 256 buses of 1 MiB
  const uint64_t base = PciConfigRead(0, 5, 0, 0x84, 4) & 0xFFFFFFF0u;
  if (address < base || address - base >= kWindowSize) return false;
  offset = static_cast<uint32_t>(address - base);
  return true;
}

uint32_t HardwareModel::WindowRead(uint32_t offset, int width) {
  return PciConfigRead(static_cast<uint8_t>(offset >> 20), (offset >> 15) & 0x1F, (offset >> 12) & 7, offset & 0xFFF,
                       width);
}

uint64_t HardwareModel::PhysicalRead(uint64_t address, int width) {
  WidthMask(width);
  // A load inside one function's 4 KiB of the window is one configuration read.
  uint32_t offset = 0;
  if (InWindow(address, offset) && offset % 4096 + width <= 4096) {
    const uint32_t value = WindowRead(offset, width);
    Record(HardwareAccess::Path::ConfigWindow, false, offset, width, value);
    return value;
  }
  uint64_t value = 0;
  for (int i = width - 1; i >= 0; i--) {
    value = value << 8 | PhysicalByte(address + i);
  }
  return value;
}

uint8_t HardwareModel::PhysicalByte(uint64_t address) {
  uint32_t offset = 0;
  if (InWindow(address, offset)) return static_cast<uint8_t>(WindowRead(offset, 1));
  for (const MemoryRegionSpec &region : hardware_.memory) {
    if (address >= region.base && address - region.base < region.bytes.size()) {
      return region.bytes[address - region.base];
    }
  }
  return 0xFF;
}

}  // namespace sim
