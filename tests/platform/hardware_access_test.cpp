#include <gtest/gtest.h>

#include <vector>

#include "driver/platform/hardware_access.h"
#include "driver/platform/pci_configuration.h"
#include "sim/hardware/hardware_model.h"

namespace {

TEST(DivRem64, QuotientAndOptionalRemainder) {
  struct Case {
    UINT64 dividend, divisor, quotient, remainder;
  } cases[] = {
      {1000204886016ull, 1000000000ull, 1000, 204886016},
      {999999488, 1000000000ull, 0, 999999488},
      {~0ull, 10, 1844674407370955161ull, 5},
      {12345, 0, ~0ull, 12345},  // a divisor of 0 does not fault
  };
  for (const Case &c : cases) {
    UINT64 remainder = 0xDEAD;
    EXPECT_EQ(DivRem64(c.dividend, c.divisor, &remainder), c.quotient);
    EXPECT_EQ(remainder, c.remainder);
    EXPECT_EQ(DivRem64(c.dividend, c.divisor, nullptr), c.quotient);
  }
}

TEST(Arithmetic64, ShiftModulo64ProductLowBitsAndOr) {
  struct Shift {
    UINT64 value;
    UINTN count;
    UINT64 expected;
  } shifts[] = {{5, 12, 5 * 4096}, {5, 64, 5}, {5, 65, 10}, {1, 63, 1ull << 63}, {3, 127, 1ull << 63}};
  for (const Shift &s : shifts) {
    EXPECT_EQ(ShiftLeft64(s.value, s.count), s.expected) << s.count;
  }
  EXPECT_EQ(Mul64(976773168, 512), 500107862016ull);
  EXPECT_EQ(Mul64((1ull << 32) + 1, (1ull << 32) + 1), (1ull << 33) + 1);  // low 64 bits only
  UINT32 cell = 0x12345678;
  EXPECT_EQ(AndOr32(&cell, 0, 0xFFFFFFFF), 0x12345678u);
  EXPECT_EQ(AndOr32(&cell, 0x0F, 0xFFFF0000), 0x1234000Fu);
  EXPECT_EQ(cell, 0x1234000Fu);
}

sim::PciFunctionSpec Function(uint8_t bus, uint8_t device, uint8_t function, size_t size) {
  sim::PciFunctionSpec pci{bus, device, function, std::vector<uint8_t>(size)};
  for (size_t i = 0; i < size; i++) {
    pci.config[i] = static_cast<uint8_t>(i * 7 + bus + device + function);
  }
  return pci;
}

TEST(PciExpressBase, ReadsDevice5Register84WithoutTheLowBits) {
  sim::PciFunctionSpec base = Function(0, 5, 0, 0x88);
  base.config[0x84] = 0x0F;
  base.config[0x85] = 0x12;
  base.config[0x86] = 0x00;
  base.config[0x87] = 0xE0;
  struct Case {
    std::vector<sim::PciFunctionSpec> pci;
    uint32_t profileBase;
    UINT32 expected;
  } cases[] = {
      {{}, 0x8000000Cu, 0x80000000u},
      {{Function(0, 5, 0, 0x40)}, 0xF8000000u, 0xF8000000u},  // profile bytes end before the register
      {{base}, 0x80000000u, 0xE0001200u},
  };
  for (const Case &c : cases) {
    sim::HardwareSpec hardware;
    hardware.pci = c.pci;
    hardware.pciExpressBase = c.profileBase;
    sim::HardwareModel model(hardware);
    std::vector<uint32_t> addressWrites;
    model.OnPortWrite([&](uint16_t port, int, uint32_t value) {
      if (port == kPciConfigAddressPort) addressWrites.push_back(value);
    });
    sim::ActiveHardware active(model);
    EXPECT_EQ(PciExpressBase(), c.expected);
    EXPECT_EQ(addressWrites, std::vector<uint32_t>{0x80002884u});
  }
}

// One store behind both conventions: every width through the port pair (bytes at
// 0xCFC..0xCFF) and through the window reads what the model holds.
TEST(PciConfiguration, PortPairAndWindowAgreeWithTheStore) {
  sim::HardwareSpec hardware;
  hardware.pciExpressBase = 0xE0000000;
  hardware.pci = {Function(0, 28, 1, 256), Function(3, 0, 0, 4096), Function(0, 31, 0, 64)};
  sim::HardwareModel model(hardware);
  sim::ActiveHardware active(model);
  model.PciConfigWrite(0, 31, 0, 8, 2, 0x0005);
  struct Location {
    uint8_t bus, device, function;
  } locations[] = {{0, 28, 1}, {3, 0, 0}, {0, 31, 0}, {0, 30, 0} /* absent */};
  for (const Location &l : locations) {
    for (uint16_t reg : {0, 8, 0x18, 0x3C, 0xFC}) {
      SCOPED_TRACE(testing::Message() << int(l.bus) << ":" << int(l.device) << "." << int(l.function) << " " << reg);
      uint32_t held = model.PciConfigRead(l.bus, l.device, l.function, reg, 4);
      UINT32 address = PciPortAddress(l.bus, l.device, l.function, static_cast<UINT8>(reg));
      EXPECT_EQ(PciPortRead32(address), held);
      EXPECT_EQ(PciExpressRead32(l.bus, l.device, l.function, reg), held);
      EXPECT_EQ(PciExpressRead16(l.bus, l.device, l.function, reg + 2), held >> 16);
      for (UINT32 k = 0; k < 4; k++) {
        EXPECT_EQ(PciPortRead8(address + k), (held >> (8 * k)) & 0xFF) << k;
        EXPECT_EQ(PciExpressRead8(l.bus, l.device, l.function, reg + k), (held >> (8 * k)) & 0xFF) << k;
      }
    }
  }
  EXPECT_EQ(PciPortAddress(0, 28, 1, 0x19), 0x8000E119u);
  EXPECT_EQ(PciExpressRead16(0, 31, 0, 8), 0x0005);
  EXPECT_EQ(PciExpressRead16(0, 30, 0, 0), 0xFFFF);
}

}  // namespace
