// The USB summary line from the six device counts.
#include <gtest/gtest.h>

#include <string>

#include "driver/pages/usb_summary_text.h"

namespace {

std::u16string Summary(UINT8 keyboards, UINT8 mice, UINT8 points, UINT8 drives, UINT8 hubs, UINT8 smartCards) {
  const UINT8 counts[kUsbDeviceKindCount] = {keyboards, mice, points, drives, hubs, smartCards};
  CHAR16 text[kUsbSummaryCapacity + 1];
  text[kUsbSummaryCapacity] = u'#';  // must stay untouched
  BuildUsbSummary(counts, text);
  EXPECT_EQ(text[kUsbSummaryCapacity], u'#');
  return text;
}

TEST(UsbSummary, CountsLabelsAndOrder) {
  const struct {
    UINT8 keyboards, mice, points, drives, hubs, smartCards;
    const char16_t *expected;
  } cases[] = {
      {0, 0, 0, 0, 0, 0, u"      None"},
      {1, 1, 0, 1, 0, 0, u"      1 Drive, 1 Keyboard, 1 Mouse"},
      {2, 3, 2, 0, 1, 0, u"      2 Keyboards, 3 Mice, 2 Points, 1 Hub"},
      {0, 0, 0, 127, 0, 200, u"      200 SmartCard Readers"},  // 127 and up: not shown, smart cards excepted
      {0, 0, 0, 126, 255, 1, u"      126 Drives, 1 SmartCard Reader"},
      {127, 200, 255, 127, 127, 0, u"      None"},
      // The longest line there is: nothing may be cut.
      {126, 126, 126, 126, 126, 255,
       u"      126 Drives, 126 Keyboards, 126 Mice, 126 Points, 126 Hubs, 255 SmartCard Readers"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Summary(c.keyboards, c.mice, c.points, c.drives, c.hubs, c.smartCards), c.expected);
  }
}

}  // namespace
