#include "format/format.h"

namespace {

constexpr UINT64 kNegativeLimit = 0x80000000ULL;  // magnitude of INT32 minimum
constexpr UINT32 kNotADigit = 0xFFFFFFFF;          // not below any base

// Only the low byte of each character counts, so one walk serves 8-bit and 16-bit text.
struct TextWalk {
  const UINT8 *At;
  UINT32 Step;

  UINT8 Peek() const { return *At; }
  void Skip() { At += Step; }
};

UINT32 DigitValue(UINT8 Character) {
  if (Character >= '0' && Character <= '9') {
    return Character - '0';
  }
  if (Character >= 'A' && Character <= 'Z') {
    return Character - 'A' + 10;
  }
  if (Character >= 'a' && Character <= 'z') {
    return Character - 'a' + 10;
  }
  return kNotADigit;
}

UINT32 DetectBase(TextWalk &Walk) {
  if (Walk.Peek() != '0') {
    return 10;
  }
  Walk.Skip();
  if (Walk.Peek() == 'x' || Walk.Peek() == 'X') {
    Walk.Skip();
    return 16;
  }
  return 8;
}

}  // namespace

INT32 ParseInteger(const VOID *Text, const VOID **End, UINT32 Base, UINT32 Step) {
  TextWalk Walk{static_cast<const UINT8 *>(Text), Step == 0 ? 1 : Step};
  UINT64 Magnitude = 0;
  bool Negative = false;

  if (Walk.At != nullptr) {
    while (Walk.Peek() == ' ' || Walk.Peek() == '\t') {
      Walk.Skip();
    }
    if (Walk.Peek() == '-') {
      Negative = true;
      Walk.Skip();
    }
    if (Walk.Peek() == '+') {
      Walk.Skip();
    }
    if (Base == 0) {
      Base = DetectBase(Walk);
    }
    for (UINT32 Digit = DigitValue(Walk.Peek()); Digit < Base; Digit = DigitValue(Walk.Peek())) {
      // Saturate just above the limit instead of wrapping, so long digit runs stay out of range.
      Magnitude = Magnitude * Base + Digit;
      if (Magnitude > kNegativeLimit) {
        Magnitude = kNegativeLimit + 1;
      }
      Walk.Skip();
    }
  }
  if (End != nullptr) {
    *End = Walk.At;
  }
  if (Negative) {
    return Magnitude > kNegativeLimit ? INT32_MIN : static_cast<INT32>(-static_cast<INT64>(Magnitude));
  }
  return Magnitude >= kNegativeLimit ? INT32_MAX : static_cast<INT32>(Magnitude);
}
