// ReadOnboardMacAddresses against the board model's network controllers: which
// halves it fills, and which ports it writes on the way.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "driver/pages/network_fru_mac.h"
#include "sim/hardware/hardware_model.h"
#include "sim/machine/peripherals_hardware.h"

namespace {

sim::NetworkControllerSpec First() {
  sim::NetworkControllerSpec nic;
  nic.device = 25;
  nic.deviceId = 0x1502;
  nic.ioBase = 0xF040;
  nic.mac = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
  return nic;
}

sim::NetworkControllerSpec Second() {
  sim::NetworkControllerSpec nic;
  nic.bus = 10;
  nic.deviceId = 0x10D3;
  nic.ioBase = 0xE000;
  nic.mac = {0x00, 0x1E, 0x67, 0x2A, 0x51, 0x3D};
  nic.bridge = sim::PciBridgeSpec{0, 28, 1, 0x8086, 0x1D12};
  return nic;
}

TEST(OnboardMac, ReadsOnlyControllersThatArePresentWithAWindow) {
  const std::vector<uint8_t> kFirst = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
  const std::vector<uint8_t> kSecond = {0x00, 0x1E, 0x67, 0x2A, 0x51, 0x3D};
  struct Case {
    const char *name;
    std::vector<sim::NetworkControllerSpec> controllers;
    UINT8 read;
  };
  sim::NetworkControllerSpec otherId = First(), noWindow = First(), noBridge = Second(), otherSecond = Second();
  otherId.deviceId = 0x1503;
  noWindow.ioBase = 0;
  noBridge.bridge.reset();
  otherSecond.deviceId = 0x10D4;
  const Case cases[] = {
      {"both", {First(), Second()}, kFirstMacRead | kSecondMacRead},
      {"first has another id, second still probed", {otherId, Second()}, kSecondMacRead},
      {"first without I/O window", {noWindow, Second()}, kSecondMacRead},
      {"no root port", {First(), noBridge}, kFirstMacRead},
      {"second has another id", {First(), otherSecond}, kFirstMacRead},
      {"none", {}, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    sim::PeripheralsSpec peripherals;
    peripherals.network = c.controllers;
    const sim::HardwareSpec hardware;
    sim::HardwareModel model{hardware};
    sim::AttachPeripheralHardware(model, peripherals);
    std::vector<std::pair<uint16_t, uint32_t>> writes;
    model.OnPortWrite([&](uint16_t port, int, uint32_t value) { writes.emplace_back(port, value); });
    sim::ActiveHardware bound(model);

    UINT8 mac[12];
    std::fill(std::begin(mac), std::end(mac), 0xEE);
    EXPECT_EQ(ReadOnboardMacAddresses(mac), c.read);
    EXPECT_EQ(std::vector<uint8_t>(mac, mac + 6), (c.read & kFirstMacRead) ? kFirst : std::vector<uint8_t>(6, 0xEE));
    EXPECT_EQ(std::vector<uint8_t>(mac + 6, mac + 12),
              (c.read & kSecondMacRead) ? kSecond : std::vector<uint8_t>(6, 0xEE));
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.front(), (std::pair<uint16_t, uint32_t>{0x80, 0x21})) << "the progress code comes first";
    for (const auto &[port, value] : writes) EXPECT_GE(port, 8) << "a write into the DMA controller's ports";
  }
}

}  // namespace
