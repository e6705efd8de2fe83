#include "pages/hardware_monitor.h"

#include "core/string_service.h"
#include "pages/page_providers.h"
#include "platform/hardware_access.h"

namespace {

constexpr UINT16 kIndexPort = 0xA35;
constexpr UINT16 kDataPort = 0xA36;
constexpr UINT8 kBankSelectRegister = 0x4E;
constexpr UINT8 kBankMask = 0x07;

struct MonitorReading {
  UINT16 StringId;
  MonitorRule Rule;
  UINT8 Bank[2];   // the second register is read only by two-register rules
  UINT8 Index[2];
};

// In reading order. The string ids of the voltages do not follow register order.
constexpr MonitorReading kReadings[] = {
    {783, kTemperatureSum, {0, 4}, {0x27, 0x54}},
    {785, kTemperatureSum, {1, 4}, {0x50, 0x55}},
    {787, kTemperatureSum, {2, 4}, {0x50, 0x56}},
    {789, kFanHighLow, {6, 6}, {0x56, 0x57}},
    {791, kFanHighLow, {6, 6}, {0x58, 0x59}},
    {793, kFanHighLow, {6, 6}, {0x5A, 0x5B}},
    {795, kFanHighLow, {6, 6}, {0x5C, 0x5D}},
    {797, kFanHighLow, {6, 6}, {0x5E, 0x5F}},
    {807, kSixteenMillivolts, {0, 0}, {0x20, 0}},
    {799, kMainTwelveVolts, {0, 0}, {0x21, 0}},
    {801, kAuxiliaryTwelveVolts, {0, 0}, {0x24, 0}},
    {803, kEightMillivolts, {0, 0}, {0x25, 0}},
    {805, kEightMillivolts, {0, 0}, {0x26, 0}},
    {809, kSixteenMillivolts, {0, 0}, {0x22, 0}},
    {815, kSixteenMillivolts, {0, 0}, {0x23, 0}},
    {811, kSixteenMillivolts, {5, 0}, {0x50, 0}},
    {813, kSixteenMillivolts, {5, 0}, {0x51, 0}},
};

bool ReadsTwoRegisters(MonitorRule Rule) { return Rule == kTemperatureSum || Rule == kFanHighLow; }

MonitorKind KindOf(MonitorRule Rule) {
  if (Rule == kTemperatureSum) {
    return kMonitorTemperature;
  }
  return Rule == kFanHighLow ? kMonitorFan : kMonitorVoltage;
}

struct KindText {
  const CHAR16 *Prefix;
  const CHAR16 *Suffix;
  UINTN DecimalPlaces;
  UINT64 ValueMask;  // the part of the value that is shown
};

const KindText &TextOf(MonitorKind Kind) {
  static constexpr KindText kVoltage = {u": +", u" V", 3, 0xFFFF};
  static constexpr KindText kTemperature = {u": +", u" C", 0, 0xFF};
  static constexpr KindText kFan = {u": ", u" RPM", 0, 0xFFFF};
  if (Kind == kMonitorTemperature) {
    return kTemperature;
  }
  return Kind == kMonitorFan ? kFan : kVoltage;
}

// Appends to a text that always keeps its terminator inside the buffer.
struct TextWriter {
  CHAR16 (&Text)[kMonitorTextSize];
  UINTN Length;

  void Put(CHAR16 Character) {
    if (Length + 1 < kMonitorTextSize) {
      Text[Length++] = Character;
      Text[Length] = 0;
    }
  }
  void Put(const CHAR16 *Characters) {
    while (*Characters != 0) {
      Put(*Characters++);
    }
  }
};

constexpr UINTN kMaxDigits = 5;  // of a 16-bit value

}  // namespace

UINT8 MonitorRegisterRead(UINT8 Bank, UINT8 Index) {
  PortWrite8(kIndexPort, kBankSelectRegister);
  const UINT8 BankSelect = PortRead8(kDataPort);
  PortWrite8(kDataPort, (UINT8)((BankSelect & ~kBankMask) | (Bank & kBankMask)));
  PortWrite8(kIndexPort, Index);
  return PortRead8(kDataPort);
}

UINT64 MonitorValue(MonitorRule Rule, UINT64 First, UINT64 Second) {
  constexpr UINT64 kAbsentFanByte = 0xFF;
  constexpr UINT64 kAuxiliaryOffset = 2048;
  switch (Rule) {
    case kTemperatureSum:
      return (First + Second) & 0xFF;
    case kFanHighLow:
      return First == kAbsentFanByte || Second == kAbsentFanByte ? 0 : First * 256 + Second;
    case kSixteenMillivolts:
      return First * 16;
    case kEightMillivolts:
      return First * 8;
    case kMainTwelveVolts:
      return DivRem64(First * 528, 10, nullptr);
    case kAuxiliaryTwelveVolts:
      // Below the offset the divider formula has no meaning (it would wrap to
      // about 34 V); such a reading counts as missing.
      if (First * 1000 < kAuxiliaryOffset) {
        return 0;
      }
      return DivRem64(DivRem64((First * 1000 - kAuxiliaryOffset) * 242, 10, nullptr) * 8, 1000, nullptr);
  }
  return 0;
}

void ComposeMonitorText(UINT64 Value, MonitorKind Kind, CHAR16 (&Text)[kMonitorTextSize]) {
  TextWriter Writer = {Text, 0};
  Text[0] = 0;
  const KindText &Form = TextOf(Kind);
  UINT64 Shown = Value & Form.ValueMask;
  if (Shown == 0) {
    Writer.Put(u": N/A     ");
    return;
  }
  CHAR16 Digits[kMaxDigits];
  UINTN Count = 0;
  for (UINT64 Rest = Shown; Rest != 0 && Count < kMaxDigits;) {
    UINT64 Digit = 0;
    Rest = DivRem64(Rest, 10, &Digit);
    Digits[kMaxDigits - 1 - Count++] = (CHAR16)(u'0' + Digit);
  }
  const CHAR16 *Number = Digits + kMaxDigits - Count;  // most significant first
  const UINTN Places = Form.DecimalPlaces;

  Writer.Put(Form.Prefix);
  if (Count > Places) {
    for (UINTN At = 0; At < Count - Places; ++At) {
      Writer.Put(Number[At]);
    }
  } else {
    Writer.Put(u'0');
  }
  if (Places != 0) {
    Writer.Put(u'.');
    for (UINTN Zero = Count; Zero < Places; ++Zero) {
      Writer.Put(u'0');
    }
    for (UINTN At = Count > Places ? Count - Places : 0; At < Count; ++At) {
      Writer.Put(Number[At]);
    }
  }
  Writer.Put(Form.Suffix);
}

EFI_STATUS HardwareMonitorRefresh(EFI_HII_HANDLE HiiHandle, UINT16, UINT16, UINT16) {
  EFI_STATUS Status = EFI_SUCCESS;
  for (const MonitorReading &Reading : kReadings) {
    const UINT64 First = MonitorRegisterRead(Reading.Bank[0], Reading.Index[0]);
    const UINT64 Second = ReadsTwoRegisters(Reading.Rule) ? MonitorRegisterRead(Reading.Bank[1], Reading.Index[1]) : 0;
    CHAR16 Text[kMonitorTextSize];
    ComposeMonitorText(MonitorValue(Reading.Rule, First, Second), KindOf(Reading.Rule), Text);
    // The text is data, never a format.
    Status = SetPageString(HiiHandle, Reading.StringId, u"%s", Text);
  }
  return Status;
}
