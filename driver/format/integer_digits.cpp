#include "format/format.h"

namespace {

constexpr CHAR8 kDigitCharacters[] = "0123456789abcdef";

// The base is a constant here so that each step's division becomes a multiply or a shift.
template <UINT32 kBase>
CHAR8 *WriteReversed(UINT64 Magnitude, CHAR8 *Cursor) {
  do {
    *Cursor++ = kDigitCharacters[Magnitude % kBase];
    Magnitude /= kBase;
  } while (Magnitude != 0);
  return Cursor;
}

}  // namespace

CHAR8 *ValueToReversedDigits(INT64 Value, CHAR8 *Scratch, UINT32 Base, BOOLEAN Long) {
  CHAR8 *Cursor;
  if (Base == 16) {
    UINT64 Magnitude = static_cast<UINT64>(Value);
    if (Value < 0 && !Long) {
      Magnitude &= 0xFFFFFFFFULL;
    }
    Cursor = WriteReversed<16>(Magnitude, Scratch);
  } else {
    UINT64 Magnitude = Value < 0 ? 0 - static_cast<UINT64>(Value) : static_cast<UINT64>(Value);
    Cursor = WriteReversed<10>(Magnitude, Scratch);
    if (Value < 0) {
      *Cursor++ = '-';
    }
  }
  *Cursor = 0;
  return Cursor - 1;
}

CHAR8 *ValueToAsciiDigits(INT64 Value, CHAR8 *Scratch, UINT32 Base, BOOLEAN Long) {
  CHAR8 *Low = Scratch;
  CHAR8 *High = ValueToReversedDigits(Value, Scratch, Base, Long);
  while (Low < High) {
    CHAR8 Swapped = *Low;
    *Low++ = *High;
    *High-- = Swapped;
  }
  return Scratch;
}

CHAR16 *ValueToWideDigits(INT64 Value, CHAR16 *Output, UINT32 Base, BOOLEAN Long) {
  CHAR8 Scratch[kDigitScratchSize];
  UINTN Count = ValueToReversedDigits(Value, Scratch, Base, Long) - Scratch + 1;
  for (UINTN Index = 0; Index < Count; ++Index) {
    Output[Index] = static_cast<CHAR16>(Scratch[Count - 1 - Index]);
  }
  Output[Count] = 0;
  return Output;
}
