// The hardware-monitor page through the menu's form callback on the reference
// board: all seventeen readings, and a fresh read of the chip on every refresh.
#include "sim/hardware_trace.h"
#include "tests/pages/processor/page_boot.h"

namespace processor_pages {
namespace {

constexpr uint16_t kAdvanced = 2;
constexpr std::pair<uint16_t, uint16_t> kRefresh = {kAdvanced, 0x3B};

const struct {
  uint16_t id;
  const char16_t *text;
} kReferenceReadings[] = {
    {783, u": +38 C"},     {785, u": +41 C"},     {787, u": +32 C"},     {789, u": 4000 RPM"},
    {791, u": 3930 RPM"},  {793, u": 3000 RPM"},  {795, u": 3010 RPM"},  {797, u": N/A     "},
    {799, u": +11.985 V"}, {801, u": +11.993 V"}, {803, u": +1.504 V"},  {805, u": +1.496 V"},
    {807, u": +0.960 V"},  {809, u": +3.296 V"},  {811, u": +3.040 V"},  {813, u": +0.976 V"},
    {815, u": +3.312 V"},
};

class MonitorPage : public PageBoot {};

TEST_F(MonitorPage, ShowsNothingUntilTheMenuRefreshes) {
  const sim::BootReport report = Boot(Reference());
  for (const auto &reading : kReferenceReadings) EXPECT_EQ(Text(report, kAdvanced, reading.id), std::nullopt);
}

TEST_F(MonitorPage, RefreshShowsAllSeventeenReadings) {
  const sim::BootReport report = Boot(Reference(), {kRefresh});
  for (const auto &reading : kReferenceReadings) {
    SCOPED_TRACE(reading.id);
    EXPECT_EQ(Texts(report, kAdvanced, reading.id), std::vector<std::u16string>{reading.text});
  }
}

TEST_F(MonitorPage, EveryRefreshReadsTheChipAfresh) {
  const sim::BootReport report = Boot(Reference(), {kRefresh, kRefresh, kRefresh});
  // The CPU0 fan's low byte reads 0xA0, then 0x82 from then on.
  EXPECT_EQ(Texts(report, kAdvanced, 789), (std::vector<std::u16string>{u": 4000 RPM", u": 3970 RPM", u": 3970 RPM"}));
  EXPECT_EQ(Texts(report, kAdvanced, 815).size(), 3u);
}

TEST_F(MonitorPage, ChangedRegistersChangeTheirReadings) {
  const sim::BootReport report = Boot(
      Reference(R"("hardware_monitor": {"banks": {"0": {"0x24": 1, "0x27": 0}, "6": {"0x56": 4}}})"),
      {kRefresh});
  EXPECT_EQ(Text(report, kAdvanced, 801), u": N/A     ") << "below the auxiliary offset";
  EXPECT_EQ(Text(report, kAdvanced, 783), u": N/A     ");
  EXPECT_EQ(Text(report, kAdvanced, 789), u": 1184 RPM");
  EXPECT_EQ(Text(report, kAdvanced, 807), u": +0.960 V") << "other registers keep their readings";
}

// The chip's ports, as the board model saw them: per register, the bank select
// register is read and written back with the bank, then the register is read,
// every access one byte wide, in the order the readings are taken.
TEST_F(MonitorPage, EveryRegisterReadSelectsItsBankFirst) {
  const sim::BoardProfile profile = Reference();
  const sim::BootReport report = Boot(profile, {kRefresh});
  // (bank, register) in reading order: temperatures and fans read two registers each.
  const std::pair<uint8_t, uint8_t> kReads[] = {
      {0, 0x27}, {4, 0x54}, {1, 0x50}, {4, 0x55}, {2, 0x50}, {4, 0x56}, {6, 0x56}, {6, 0x57}, {6, 0x58},
      {6, 0x59}, {6, 0x5A}, {6, 0x5B}, {6, 0x5C}, {6, 0x5D}, {6, 0x5E}, {6, 0x5F}, {0, 0x20}, {0, 0x21},
      {0, 0x24}, {0, 0x25}, {0, 0x26}, {0, 0x22}, {0, 0x23}, {5, 0x50}, {5, 0x51}};
  using Path = sim::HardwareAccess::Path;
  std::vector<std::string> seen;
  for (const sim::HardwareAccess &access : report.hardwareTrace) {
    if (access.path != Path::DevicePort || (access.address != 0xA35 && access.address != 0xA36)) continue;
    char line[48];
    std::snprintf(line, sizeof line, "%s %X/%d%s", access.write ? "write" : "read", access.address, access.width,
                  access.write || access.address == 0xA35 ? (" " + std::to_string(access.value)).c_str() : "");
    seen.push_back(line);
  }
  // The reference chip's bank select register holds 0x80 with bank 0; bits 7-3 are kept.
  std::vector<std::string> expected;
  for (const auto &[bank, reg] : kReads) {
    expected.push_back("write A35/1 " + std::to_string(0x4E));
    expected.push_back("read A36/1");
    expected.push_back("write A36/1 " + std::to_string(0x80 | bank));
    expected.push_back("write A35/1 " + std::to_string(reg));
    expected.push_back("read A36/1");
  }
  EXPECT_EQ(seen, expected);
}

}  // namespace
}  // namespace processor_pages
