#include "pages/usb_summary_text.h"

#include "format/format.h"

namespace {

// From this count up a kind is not shown, smart card readers excepted.
constexpr UINT8 kCountShownBelow = 127;

struct UsbKindLabel {
  UsbDeviceKind Kind;
  const CHAR16 *One;
  const CHAR16 *Many;
  BOOLEAN Capped;  // counts of kCountShownBelow and more are left out
};

// In the order the summary lists them.
const UsbKindLabel kKindLabels[] = {
    {kUsbDrives, u"Drive", u"Drives", true},
    {kUsbKeyboards, u"Keyboard", u"Keyboards", true},
    {kUsbMice, u"Mouse", u"Mice", true},
    {kUsbPointingDevices, u"Point", u"Points", true},
    {kUsbHubs, u"Hub", u"Hubs", true},
    {kUsbSmartCardReaders, u"SmartCard Reader", u"SmartCard Readers", false},
};

// Appends Part at *Length, never past the capacity, and keeps the text terminated.
void Append(CHAR16 *Summary, UINTN *Length, const CHAR16 *Part) {
  for (; *Part != 0 && *Length + 1 < kUsbSummaryCapacity; ++Part) {
    Summary[(*Length)++] = *Part;
  }
  Summary[*Length] = 0;
}

}  // namespace

void BuildUsbSummary(const UINT8 Counts[kUsbDeviceKindCount], CHAR16 *Summary) {
  UINTN Length = 0;
  Append(Summary, &Length, u"      ");
  BOOLEAN AnyShown = false;
  for (const UsbKindLabel &Label : kKindLabels) {
    UINT8 Count = Counts[Label.Kind];
    if (Count == 0 || (Label.Capped && Count >= kCountShownBelow)) {
      continue;
    }
    CHAR16 Digits[kDigitScratchSize];
    Append(Summary, &Length, AnyShown ? u", " : u"");
    Append(Summary, &Length, ValueToWideDigits(Count, Digits, 10, false));
    Append(Summary, &Length, u" ");
    Append(Summary, &Length, Count == 1 ? Label.One : Label.Many);
    AnyShown = true;
  }
  if (!AnyShown) {
    Append(Summary, &Length, u"None");
  }
}
