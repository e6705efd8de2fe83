// What the board model saw the driver do at the hardware it traces: the ports of
// attached devices (the hardware-monitor chip, a network controller's register
// window) and PCI configuration space, told apart by the path that reached it.
#pragma once

#include <cstdint>

namespace sim {

struct HardwareAccess {
  enum class Path : uint8_t {
    DevicePort,    // a port of an attached device
    ConfigPorts,   // configuration space through 0xCF8/0xCFC
    ConfigWindow,  // configuration space through the memory-mapped window
  };
  Path path = Path::DevicePort;
  bool write = false;
  // The port; for configuration space bus << 20 | device << 15 | function << 12 | register.
  uint32_t address = 0;
  uint8_t width = 1;   // bytes
  uint32_t value = 0;  // read or written

  bool operator==(const HardwareAccess &other) const {
    return path == other.path && write == other.write && address == other.address && width == other.width &&
           value == other.value;
  }
};

// The configuration address of a register, as HardwareAccess::address holds it.
constexpr uint32_t ConfigAddress(uint32_t bus, uint32_t device, uint32_t function, uint32_t reg) {
  return bus << 20 | device << 15 | function << 12 | reg;
}

}  // namespace sim
