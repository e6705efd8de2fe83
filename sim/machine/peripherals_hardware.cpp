#include "sim/machine/peripherals_hardware.h"

#include <map>

#include "sim/machine/machine.h"
#include "sim/machine/platform_guids.h"

namespace sim {

namespace {

constexpr uint32_t kReceiveAddressLow = 0x5400;
constexpr uint32_t kReceiveAddressHigh = 0x5404;
constexpr uint32_t kAddressValid = 0x80000000u;  // receive address high: the pair is in use
constexpr uint16_t kWindowSize = 8;              // address dword at +0, data dword at +4
constexpr size_t kConfigSize = 256;
constexpr uint8_t kMeDisableSmiCommand = 0x29;  // system management mode disables the ME

// A controller's register window: a write to the address dword selects a
// register, the data dword reads and writes it. Unlisted registers read 0.
class RegisterWindow : public PortDevice {
 public:
  RegisterWindow(uint16_t base, const std::array<uint8_t, 6> &mac) : base_(base) {
    registers_[kReceiveAddressLow] = mac[0] | mac[1] << 8 | mac[2] << 16 | static_cast<uint32_t>(mac[3]) << 24;
    registers_[kReceiveAddressHigh] = kAddressValid | mac[4] | mac[5] << 8;
  }

  uint32_t Read(uint16_t port, int) override {
    const unsigned offset = port - base_;
    return Dword(offset / 4) >> (offset % 4 * 8);
  }

  void Write(uint16_t port, int width, uint32_t value) override {
    const unsigned offset = port - base_;
    const unsigned shift = offset % 4 * 8;
    const uint32_t mask = (width == 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1) << shift;
    const uint32_t merged = (Dword(offset / 4) & ~mask) | (value << shift & mask);
    if (offset / 4 == 0) {
      address_ = merged;
    } else {
      registers_[address_] = merged;
    }
  }

 private:
  uint32_t Dword(unsigned index) const {
    if (index == 0) return address_;
    const auto found = registers_.find(address_);
    return found == registers_.end() ? 0 : found->second;
  }

  uint16_t base_;
  uint32_t address_ = 0;
  std::map<uint32_t, uint32_t> registers_;
};

void Put16(std::vector<uint8_t> &config, size_t at, uint16_t value) {
  config[at] = static_cast<uint8_t>(value);
  config[at + 1] = static_cast<uint8_t>(value >> 8);
}

// Identity, command (I/O, memory, bus master), revision and class code.
std::vector<uint8_t> ConfigHeader(uint16_t vendorId, uint16_t deviceId, uint8_t baseClass, uint8_t subClass) {
  std::vector<uint8_t> config(kConfigSize, 0);
  Put16(config, 0x00, vendorId);
  Put16(config, 0x02, deviceId);
  Put16(config, 0x04, 0x0007);
  config[0x08] = 0x05;
  config[0x0A] = subClass;
  config[0x0B] = baseClass;
  return config;
}

PciFunctionSpec ControllerFunction(const NetworkControllerSpec &controller) {
  std::vector<uint8_t> config = ConfigHeader(controller.vendorId, controller.deviceId, 0x02, 0x00);
  if (controller.ioBase != 0) Put16(config, 0x18, controller.ioBase | 1);  // an I/O BAR
  Put16(config, 0x2C, controller.vendorId);
  Put16(config, 0x2E, controller.deviceId);
  config[0x3D] = 1;  // INTA#
  return {controller.bus, controller.device, controller.function, config};
}

// A root port whose secondary and subordinate bus is the controller's, forwarding
// the controller's I/O window.
PciFunctionSpec BridgeFunction(const PciBridgeSpec &bridge, const NetworkControllerSpec &controller) {
  std::vector<uint8_t> config = ConfigHeader(bridge.vendorId, bridge.deviceId, 0x06, 0x04);
  config[0x0E] = 0x81;  // a bridge header in a multi-function device
  config[0x18] = bridge.bus;
  config[0x19] = controller.bus;
  config[0x1A] = controller.bus;
  if (controller.ioBase != 0) {
    config[0x1C] = static_cast<uint8_t>(controller.ioBase >> 8 & 0xF0);
    config[0x1D] = static_cast<uint8_t>(controller.ioBase >> 8 & 0xF0);
  }
  return {bridge.bus, bridge.device, bridge.function, config};
}

}  // namespace

void AttachPeripheralHardware(HardwareModel &model, const PeripheralsSpec &peripherals) {
  for (const NetworkControllerSpec &controller : peripherals.network) {
    model.AddPciFunction(ControllerFunction(controller));
    if (controller.bridge) model.AddPciFunction(BridgeFunction(*controller.bridge, controller));
    if (controller.ioBase != 0) {
      model.AttachPortDevice(controller.ioBase, controller.ioBase + kWindowSize - 1,
                             std::make_shared<RegisterWindow>(controller.ioBase, controller.mac));
    }
  }
  if (const std::optional<uint8_t> outcome = peripherals.managementEngine.disableOutcome) {
    // System management mode leaves its outcome where the setup driver looks for it.
    model.OnPortWrite([outcome](uint16_t port, int width, uint32_t value) {
      if (port != kSoftwareSmiPort || width != 1 || value != kMeDisableSmiCommand) return;
      Machine::Current().Store().Put({u"ShowMEUDFailMSG", guids::kMeUpdateStatus,
                                      EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS, {*outcome}});
    });
  }
}

}  // namespace sim
