// The integer parser behind ParseInteger, inline so that the engine's width parsing
// compiles down to a few instructions for its fixed base and character width.
#pragma once

#include "uefi/uefi_base.h"

namespace parse_integer_detail {

constexpr UINT64 kNegativeLimit = 0x80000000ULL;  // magnitude of INT32 minimum
constexpr UINT32 kNotADigit = 0xFFFFFFFF;          // not below any base

inline __attribute__((always_inline)) UINT32 DigitValue(UINT8 Character) {
  if (static_cast<UINT8>(Character - '0') <= 9) {
    return Character - '0';
  }
  UINT8 Letter = Character | 0x20;  // 'A'..'Z' and 'a'..'z' alike
  if (static_cast<UINT8>(Letter - 'a') <= 'z' - 'a') {
    return Letter - 'a' + 10;
  }
  return kNotADigit;
}

// Reads the run of digits at *Text (Step bytes apart) and leaves *Text after it. The
// magnitude saturates just above the INT32 range instead of wrapping, so long digit runs
// stay out of range. Inline, so that the engine's width digits take no call.
inline __attribute__((always_inline)) UINT64 ParseDigitRun(const UINT8 *&Text, UINT32 Base, UINT32 Step) {
  UINT64 Magnitude = 0;
  for (UINT32 Digit = DigitValue(*Text); Digit < Base; Digit = DigitValue(*Text)) {
    Magnitude = Magnitude * Base + Digit;
    if (Magnitude > kNegativeLimit) {
      Magnitude = kNegativeLimit + 1;
    }
    Text += Step;
  }
  return Magnitude;
}

// A magnitude from ParseDigitRun as an INT32, saturated at the limits.
inline INT32 SaturatedValue(UINT64 Magnitude, bool Negative) {
  if (Negative) {
    return Magnitude > kNegativeLimit ? INT32_MIN : static_cast<INT32>(-static_cast<INT64>(Magnitude));
  }
  return Magnitude >= kNegativeLimit ? INT32_MAX : static_cast<INT32>(Magnitude);
}

}  // namespace parse_integer_detail

// Only the low byte of each character counts (Step bytes apart), so one walk serves 8-bit
// and 16-bit text. Returns the value and sets *End to the first character not consumed.
inline INT32 ParseIntegerBytes(const UINT8 *Text, const UINT8 **End, UINT32 Base, UINT32 Step) {
  using namespace parse_integer_detail;
  bool Negative = false;
  while (*Text == ' ' || *Text == '\t') {
    Text += Step;
  }
  if (*Text == '-') {
    Negative = true;
    Text += Step;
  }
  if (*Text == '+') {
    Text += Step;
  }
  if (Base == 0) {
    Base = 10;
    if (*Text == '0') {
      Text += Step;
      Base = 8;
      if ((*Text | 0x20) == 'x') {
        Text += Step;
        Base = 16;
      }
    }
  }
  UINT64 Magnitude = ParseDigitRun(Text, Base, Step);
  *End = Text;
  return SaturatedValue(Magnitude, Negative);
}
