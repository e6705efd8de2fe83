#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "driver/platform/hardware_access.h"
#include "sim/hardware/hardware_model.h"

namespace {

TEST(HardwareModel, UnlistedHardwareReadsItsDefault) {
  sim::HardwareSpec hardware;
  hardware.portValues = {{0x61, 0x12345678}};
  hardware.msrs = {{0xCE, 0x1A00}};
  hardware.cpuid = {{1, 0, 0x206D7, 0x00200800, 3, 4}, {4, 0, 0x11, 0, 0, 0}, {4, 1, 0x22, 0, 0, 0}};
  hardware.memory = {{0xF0000, {0x10, 0x20, 0x30}}};
  sim::HardwareModel model(hardware);
  sim::ActiveHardware active(model);

  EXPECT_EQ(PortRead8(0x61), 0x78);
  EXPECT_EQ(PortRead16(0x61), 0x5678);
  EXPECT_EQ(PortRead32(0x61), 0x12345678u);
  EXPECT_EQ(PortRead8(0x62), 0xFF);
  EXPECT_EQ(PortRead32(0x62), 0xFFFFFFFFu);
  EXPECT_EQ(MsrRead(0xCE), 0x1A00u);
  EXPECT_EQ(MsrRead(0x17), 0u);
  MsrWrite(0x17, 0x55);
  EXPECT_EQ(MsrRead(0x17), 0x55u);
  EXPECT_EQ(PhysicalRead16(0xF0001), 0x3020);
  EXPECT_EQ(PhysicalRead32(0xF0001), 0xFFFF3020u);  // runs off the region's end
  EXPECT_EQ(PhysicalRead8(0xEFFFF), 0xFF);

  struct Cpuid {
    UINT32 leaf, subleaf, eax;
  } leaves[] = {
      {1, 0, 0x206D7}, {1, 0xDEAD, 0x206D7},  // leaf without sub-leaves ignores ECX
      {4, 1, 0x22},    {4, 2, 0},              // listed sub-leaves answer only for themselves
      {7, 0, 0},
  };
  for (const Cpuid &c : leaves) {
    UINT32 eax, ebx, ecx = c.subleaf, edx;
    CpuidQuery(c.leaf, &eax, &ebx, &ecx, &edx);
    EXPECT_EQ(eax, c.eax) << c.leaf << " " << c.subleaf;
  }
}

class RecordingDevice : public sim::PortDevice {
 public:
  explicit RecordingDevice(uint32_t value) : value_(value) {}
  uint32_t Read(uint16_t, int) override { return value_; }
  void Write(uint16_t port, int width, uint32_t value) override { writes.push_back({port, width, value}); }
  struct PortWriteRecord {
    uint16_t port;
    int width;
    uint32_t value;
  };
  std::vector<PortWriteRecord> writes;

 private:
  uint32_t value_;
};

TEST(HardwareModel, DevicesAndObserversSeePortWrites) {
  const sim::HardwareSpec hardware;
  sim::HardwareModel model(hardware);
  auto wide = std::make_shared<RecordingDevice>(0x11);
  auto narrow = std::make_shared<RecordingDevice>(0x22);
  model.AttachPortDevice(0xA30, 0xA3F, wide);
  model.AttachPortDevice(0xA36, 0xA36, narrow);
  std::vector<uint16_t> observed;
  model.OnPortWrite([&](uint16_t port, int, uint32_t) { observed.push_back(port); });
  sim::ActiveHardware active(model);

  EXPECT_EQ(PortRead8(0xA35), 0x11);
  EXPECT_EQ(PortRead8(0xA36), 0x22);  // the later attachment wins
  PortWrite8(0xA35, 0x2B);
  PortWrite8(0x80, 0x21);
  PortWrite16(0xA36, 0x1234);
  EXPECT_EQ(observed, (std::vector<uint16_t>{0xA35, 0x80, 0xA36}));
  ASSERT_EQ(wide->writes.size(), 1u);
  EXPECT_EQ(wide->writes[0].value, 0x2Bu);
  ASSERT_EQ(narrow->writes.size(), 1u);
  EXPECT_EQ(narrow->writes[0].width, 2);
}

TEST(ActiveHardware, NestingRestoresAndNoBindingReadsAllOnes) {
  sim::HardwareSpec outerSpec, innerSpec;
  outerSpec.portValues = {{0x70, 1}};
  innerSpec.portValues = {{0x70, 2}};
  sim::HardwareModel outer(outerSpec), inner(innerSpec);
  EXPECT_EQ(PortRead8(0x70), 0xFF);
  EXPECT_EQ(MsrRead(0xCE), ~0ull);
  EXPECT_EQ(PhysicalRead32(0xF0000), 0xFFFFFFFFu);
  EXPECT_EQ(PortWrite8(0x80, 5), 5);  // dropped, no model to reach
  {
    sim::ActiveHardware first(outer);
    {
      sim::ActiveHardware second(inner);
      EXPECT_EQ(PortRead8(0x70), 2);
    }
    EXPECT_EQ(PortRead8(0x70), 1);
  }
  EXPECT_EQ(PortRead8(0x70), 0xFF);
}

TEST(HardwareModel, ConfigDataPortsAreOrdinaryWithoutTheEnableBit) {
  sim::HardwareSpec hardware;
  hardware.pci = {{0, 0, 0, std::vector<uint8_t>(64, 0x42)}};
  sim::HardwareModel model(hardware);
  sim::ActiveHardware active(model);
  PortWrite32(0xCF8, 0x00000000);
  EXPECT_EQ(PortRead32(0xCFC), 0xFFFFFFFFu);
  PortWrite32(0xCF8, 0x80000000);
  EXPECT_EQ(PortRead32(0xCFC), 0x42424242u);
  EXPECT_EQ(PortRead32(0xCF8), 0x80000000u);
}

}  // namespace
