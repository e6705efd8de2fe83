// The hardware-monitor page through the menu's form callback on the reference
// board: all seventeen readings, and a fresh read of the chip on every refresh.
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

}  // namespace
}  // namespace processor_pages
