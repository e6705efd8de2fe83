// What differs between the 8-bit and the 16-bit engine: the engine's own variadic form
// (used for nested calls), the text of the other width ("%S") and the engine's copy of
// its fixed format text.
#pragma once

#include "format/format.h"

template <typename Char>
struct EngineWidth;

template <>
struct EngineWidth<CHAR8> {
  using OtherChar = CHAR16;
  static constexpr auto Format = &FormatAscii;
};

template <>
struct EngineWidth<CHAR16> {
  using OtherChar = CHAR8;
  static constexpr auto Format = &FormatWide;
};

template <typename Char, UINTN kLength>
struct FormatText {
  Char Text[kLength];
};

// Built at compile time, so each engine holds a constant copy in its own width.
template <typename Char, UINTN kLength>
constexpr FormatText<Char, kLength> InWidth(const char (&Narrow)[kLength]) {
  FormatText<Char, kLength> Result{};
  for (UINTN Index = 0; Index < kLength; ++Index) {
    Result.Text[Index] = static_cast<Char>(Narrow[Index]);
  }
  return Result;
}

// "Status Code" is 8-bit text in both engines, and "%a" reads 8-bit text in both.
template <typename Char>
constexpr auto kStatusCodeLayout = InWidth<Char>("%a(%08x)");
