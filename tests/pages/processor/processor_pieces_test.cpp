// The pure pieces of the processor and hardware-monitor pages: the brand speed,
// the bus clock, the monitor formulas and texts, the brand split, and the
// banked register read against the simulated monitor chip.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "driver/pages/hardware_monitor.h"
#include "driver/pages/processor_details.h"
#include "driver/pages/processor_summary.h"
#include "sim/hardware/hardware_model.h"
#include "sim/machine/hardware_monitor_chip.h"

namespace {

TEST(BrandSpeed, ReadsTheNumberBeforeTheFirstUnit) {
  const struct {
    const char *brand;
    bool found;
    UINT32 mhz;
  } cases[] = {
      {"Vendor(R) Server(R) CPU Q5-2670 0 @ 2.60GHz", true, 2600},
      {"CPU @ 2400MHz", true, 2400},
      {"CPU @ 3.1GHz", true, 3100},  // once 31G0 MHz
      {"CPU @ 800MHz", true, 800},   // once 8009 MHz
      {"CPU @ 1.866GHz", true, 1866},
      {"CPU @ 2.90GHz", true, 2900},  // a 9 is a digit too
      {"CPU @ 12400MHz", true, 12400},
      {"CPU @ 1.23456GHz", true, 1234},  // beyond thousandths of a GHz is below a MHz
      {"CPU @ 2.5MHz", true, 2},
      {"3GHz", true, 3000},
      {"CPU 1.5GHz, bus 100MHz", true, 1500},
      {"CPU 2.60 GHz", false, 0},
      {"CPU @ .GHz", false, 0},
      {"CPU @ 2.6.0GHz", false, 0},
      {"CPU @ 1000000MHz", false, 0},
      {"CPU without a speed", false, 0},
      {"CPU @ 2.60GH", false, 0},
      {"", false, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.brand);
    UINT32 mhz = 7;
    EXPECT_EQ(ParseBrandSpeed(c.brand, &mhz), c.found);
    EXPECT_EQ(mhz, c.found ? c.mhz : 7u);
  }
  UINT32 mhz = 0;
  EXPECT_FALSE(ParseBrandSpeed(nullptr, &mhz));
}

TEST(BusClock, SignatureSelectsTheMultiplierAndTheRatioBits) {
  const struct {
    UINT32 signature;
    UINT64 platformInfo;
    UINT32 multiplier, rated;
  } cases[] = {
      {0x206D7, 0x0C0000001A00, 100, 2600}, {0x206A7, 0x1E00, 100, 3000}, {0x306A9, 0x2214, 100, 3400},
      {0x206D0, 0x1A00, 100, 2600},         {0x106A5, 0x1A14, 133, 2660}, {0x206C2, 0x1A00, 133, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.signature);
    EXPECT_EQ(BusClockMultiplier(c.signature), c.multiplier);
    EXPECT_EQ(RatedSpeedMhz(c.platformInfo, c.multiplier), c.rated);
  }
}

TEST(MonitorReadings, FormulasAndTexts) {
  const struct {
    MonitorRule rule;
    UINT64 first, second;
    const char16_t *text;
  } cases[] = {
      {kTemperatureSum, 0x23, 0x00, u": +35 C"},
      {kTemperatureSum, 0x28, 0xFE, u": +38 C"},
      {kTemperatureSum, 0x00, 0x00, u": N/A     "},
      {kFanHighLow, 0x04, 0xB0, u": 1200 RPM"},
      {kFanHighLow, 0xFE, 0xFE, u": 65278 RPM"},
      {kFanHighLow, 0x00, 0x00, u": N/A     "},
      {kFanHighLow, 0xFF, 0x10, u": N/A     "},
      {kFanHighLow, 0x10, 0xFF, u": N/A     "},
      {kSixteenMillivolts, 75, 0, u": +1.200 V"},
      {kSixteenMillivolts, 1, 0, u": +0.016 V"},
      {kSixteenMillivolts, 7, 0, u": +0.112 V"},
      {kSixteenMillivolts, 0, 0, u": N/A     "},
      {kEightMillivolts, 12, 0, u": +0.096 V"},
      {kMainTwelveVolts, 227, 0, u": +11.985 V"},
      {kAuxiliaryTwelveVolts, 62, 0, u": +11.606 V"},
      {kAuxiliaryTwelveVolts, 3, 0, u": +0.184 V"},
      {kAuxiliaryTwelveVolts, 255, 0, u": +48.971 V"},  // the longest text
      // Below the 2.048 V offset the formula would wrap to about 34 V.
      {kAuxiliaryTwelveVolts, 0, 0, u": N/A     "},
      {kAuxiliaryTwelveVolts, 1, 0, u": N/A     "},
      {kAuxiliaryTwelveVolts, 2, 0, u": N/A     "},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.rule << " " << c.first << " " << c.second);
    const UINT64 value = MonitorValue(c.rule, c.first, c.second);
    const MonitorKind kind = c.rule == kTemperatureSum ? kMonitorTemperature
                             : c.rule == kFanHighLow   ? kMonitorFan
                                                       : kMonitorVoltage;
    CHAR16 text[kMonitorTextSize];
    ComposeMonitorText(value, kind, text);
    EXPECT_EQ(std::u16string(text), c.text);
  }
}

TEST(BrandSplit, FirstTwoWordsAndTheWordAfterTheThirdBlank) {
  const struct {
    const char *brand;  // up to 48 bytes; exactly 48 leaves no terminator
    const char *first, *second;
  } cases[] = {
      {"Vendor(R) Server(R) CPU Q5-1234 0 @ 2.40GHz", "Vendor(R) Server(R)", "Q5-1234"},
      {"Vendor(R) Server(R) CPU    Q5645  @ 2.40GHz", "Vendor(R) Server(R)", "Q5645"},
      {"Genuine CPU", "Genuine CPU", "Genuine"},
      {"Single", "Single", "Single"},
      {"A B C", "A B", "A"},
      {"A B C ", "A B", ""},
      {"", "", ""},
      // No terminator in the 48 bytes: the text ends with the field.
      {"ABCDEFGHIJKLMNOPQRSTUVWX ABCDEFGHIJKLMNOPQRSTUVW", "ABCDEFGHIJKLMNOPQRSTUVWX ABCDEFGHIJKLMNOPQRSTUVW",
       "ABCDEFGHIJKLMNOPQRSTUVWX"},
      {"Vendor(R) Server(R) CPU ABCDEFGHIJKLMNOPQRSTUVWX", "Vendor(R) Server(R)", "ABCDEFGHIJKLMNOPQRSTUVWX"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.brand);
    UINT8 field[kBrandFieldSize];
    std::memset(field, 0xAF, sizeof field);  // stale bytes after the terminator
    std::memcpy(field, c.brand, std::min(sizeof field, std::strlen(c.brand) + 1));
    CHAR8 first[kBrandTextSize];
    CHAR8 second[kBrandTextSize];
    SplitBrand(field, first, second);
    EXPECT_STREQ(first, c.first);
    EXPECT_STREQ(second, c.second);
  }
}

TEST(MonitorRegisterRead, SelectsTheBankAndKeepsTheOtherBankSelectBits) {
  sim::HardwareMonitorSpec chip;
  chip.bankSelect = 0xA8;  // bank 0, bits 7-3 set as the chip's firmware left them
  chip.registers = {{{1, 0x50}, {41}}, {{2, 0x50}, {34}}, {{5, 0x50}, {190}}, {{6, 0x57}, {0xA0, 0x82}}};
  sim::ProcessorBoardSpec processor;
  processor.hardwareMonitor = chip;
  const sim::HardwareSpec hardware;
  sim::HardwareModel model{hardware};
  sim::AttachHardwareMonitor(model, processor);
  sim::ActiveHardware active(model);

  EXPECT_EQ(MonitorRegisterRead(2, 0x50), 34);
  EXPECT_EQ(MonitorRegisterRead(1, 0x50), 41);
  EXPECT_EQ(MonitorRegisterRead(5, 0x50), 190);
  EXPECT_EQ(MonitorRegisterRead(0, 0x50), 0) << "an unlisted register reads 0";
  EXPECT_EQ(MonitorRegisterRead(6, 0x57), 0xA0);
  EXPECT_EQ(MonitorRegisterRead(6, 0x57), 0x82) << "a live register reads afresh";
  EXPECT_EQ(MonitorRegisterRead(6, 0x57), 0x82) << "and keeps its last reading";
  EXPECT_EQ(MonitorRegisterRead(3, 0x4E), 0xAB) << "bank 3 selected, bits 7-3 kept";
}

}  // namespace
