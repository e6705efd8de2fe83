#include "format/digit_text.h"
#include "format/format.h"

CHAR8 *ValueToReversedDigits(INT64 Value, CHAR8 *Scratch, UINT32 Base, BOOLEAN Long) {
  DigitText Text = MeasureDigits(Value, Base, Long != 0);
  WriteDigits(Scratch, Text, kLowerDigits);
  CHAR8 *Low = Scratch;
  CHAR8 *High = Scratch + Text.Length - 1;
  while (Low < High) {
    CHAR8 Swapped = *Low;
    *Low++ = *High;
    *High-- = Swapped;
  }
  Scratch[Text.Length] = 0;
  return Scratch + Text.Length - 1;
}

CHAR8 *ValueToAsciiDigits(INT64 Value, CHAR8 *Scratch, UINT32 Base, BOOLEAN Long) {
  DigitText Text = MeasureDigits(Value, Base, Long != 0);
  WriteDigits(Scratch, Text, kLowerDigits);
  Scratch[Text.Length] = 0;
  return Scratch;
}

CHAR16 *ValueToWideDigits(INT64 Value, CHAR16 *Output, UINT32 Base, BOOLEAN Long) {
  DigitText Text = MeasureDigits(Value, Base, Long != 0);
  WriteDigits(Output, Text, kLowerDigits);
  Output[Text.Length] = 0;
  return Output;
}
