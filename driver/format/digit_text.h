// Integer to digit text, inline so that the engine's integer directives need no call.
// The length is measured first, so the digits can go straight to their place.
#pragma once

#include "uefi/uefi_base.h"

constexpr CHAR8 kLowerDigits[] = "0123456789abcdef";
constexpr CHAR8 kUpperDigits[] = "0123456789ABCDEF";

namespace digit_text_detail {

constexpr UINT32 kMostDecimalDigits = 20;  // 2^64 - 1 has 20

struct PowersOfTen {
  UINT64 Value[kMostDecimalDigits];
};

constexpr PowersOfTen MakePowersOfTen() {
  PowersOfTen Powers{};
  UINT64 Power = 1;
  for (UINT32 Index = 0; Index < kMostDecimalDigits; ++Index, Power *= 10) {
    Powers.Value[Index] = Power;
  }
  return Powers;
}

constexpr PowersOfTen kPowersOfTen = MakePowersOfTen();

// "00" to "99", so that each division by 100 yields two digits.
struct DigitPairs {
  CHAR8 Text[200];
};

constexpr DigitPairs MakeDigitPairs() {
  DigitPairs Pairs{};
  for (UINT32 Value = 0; Value < 100; ++Value) {
    Pairs.Text[2 * Value] = static_cast<CHAR8>('0' + Value / 10);
    Pairs.Text[2 * Value + 1] = static_cast<CHAR8>('0' + Value % 10);
  }
  return Pairs;
}

constexpr DigitPairs kDigitPairs = MakeDigitPairs();

// The bit length times log10(2) (1233 / 4096) gives the count or one less; one comparison
// settles it. Zero counts as one (setting the low bit crosses no power of ten above 1).
inline UINT32 DecimalDigitCount(UINT64 Magnitude) {
  UINT64 Nonzero = Magnitude | 1;
  UINT32 Bits = 64 - static_cast<UINT32>(__builtin_clzll(Nonzero));
  UINT32 Estimate = (Bits * 1233) >> 12;
  return Estimate + (Nonzero >= kPowersOfTen.Value[Estimate] ? 1 : 0);
}

}  // namespace digit_text_detail

// What an integer shows: the magnitude, its base, whether a '-' precedes it, and the
// number of characters (sign included).
struct DigitText {
  UINT64 Magnitude;
  UINT32 Base;
  bool Negative;
  UINT32 Length;
};

// Base 16 shows a negative value as its 64-bit two's complement with Long and as its low
// 32 bits without; any other base is taken as 10, with a '-' for a negative value.
inline __attribute__((always_inline)) DigitText MeasureDigits(INT64 Value, UINT32 Base, bool Long) {
  DigitText Text{static_cast<UINT64>(Value), 16, false, 0};
  if (Base == 16) {
    if (Value < 0 && !Long) {
      Text.Magnitude &= 0xFFFFFFFFULL;
    }
    Text.Length = (64 - static_cast<UINT32>(__builtin_clzll(Text.Magnitude | 1)) + 3) / 4;
    return Text;
  }
  Text.Base = 10;
  if (Value < 0) {
    Text.Negative = true;
    Text.Magnitude = 0 - Text.Magnitude;
  }
  Text.Length = digit_text_detail::DecimalDigitCount(Text.Magnitude) + (Text.Negative ? 1 : 0);
  return Text;
}

// Writes the Length characters of Text at Target, most significant first. Each step's
// divisor is a constant, so the division becomes a multiply or a shift; decimal text
// takes two digits per step.
template <typename Out>
inline __attribute__((always_inline)) void WriteDigits(Out *Target, const DigitText &Text, const CHAR8 *Digits) {
  Out *Cursor = Target + Text.Length;
  UINT64 Magnitude = Text.Magnitude;
  if (Text.Base == 16) {
    do {
      *--Cursor = static_cast<Out>(Digits[Magnitude % 16]);
      Magnitude /= 16;
    } while (Magnitude != 0);
  } else {
    const CHAR8 *Pairs = digit_text_detail::kDigitPairs.Text;
    for (; Magnitude >= 100; Magnitude /= 100) {
      UINT64 Pair = 2 * (Magnitude % 100);
      *--Cursor = static_cast<Out>(Pairs[Pair + 1]);
      *--Cursor = static_cast<Out>(Pairs[Pair]);
    }
    if (Magnitude >= 10) {
      *--Cursor = static_cast<Out>(Pairs[2 * Magnitude + 1]);
      *--Cursor = static_cast<Out>(Pairs[2 * Magnitude]);
    } else {
      *--Cursor = static_cast<Out>(Digits[Magnitude]);
    }
  }
  if (Text.Negative) {
    *--Cursor = '-';
  }
}
