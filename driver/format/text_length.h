// The length of zero-terminated text, measured a machine word at a time.
#pragma once

#include "uefi/uefi_base.h"

// Reads whole aligned 8-byte words. An aligned word never crosses a page boundary, so
// reading the bytes that share a word with the terminator cannot fault; they may belong
// to a neighbouring object, which is why AddressSanitizer is told not to check these reads
// (the copy that follows reads only the text itself and is checked).
template <typename Source>
__attribute__((no_sanitize("address"))) UINTN TextLength(const Source *Text) {
  constexpr UINTN kWord = 8;
  constexpr UINTN kLaneBits = 8 * sizeof(Source);
  constexpr UINT64 kLaneOnes = sizeof(Source) == 1 ? 0x0101010101010101ULL : 0x0001000100010001ULL;
  constexpr UINT64 kLaneHighs = kLaneOnes << (kLaneBits - 1);

  UINTN Address = reinterpret_cast<UINTN>(Text);
  if (Address % sizeof(Source) != 0) {  // lanes would straddle characters
    UINTN Length = 0;
    while (Text[Length] != 0) {
      ++Length;
    }
    return Length;
  }
  UINTN Skipped = Address % kWord;
  const UINT8 *Word = reinterpret_cast<const UINT8 *>(Text) - Skipped;
  UINT64 Value;
  __builtin_memcpy(&Value, Word, kWord);
  Value |= (1ULL << (8 * Skipped)) - 1;  // the bytes before the text are not its terminator
  for (;;) {
    // The lowest flagged lane is exactly the first zero lane: borrows only flag lanes above it.
    UINT64 ZeroLanes = (Value - kLaneOnes) & ~Value & kLaneHighs;
    if (ZeroLanes != 0) {
      UINTN Lane = static_cast<UINTN>(__builtin_ctzll(ZeroLanes)) / kLaneBits;
      return (static_cast<UINTN>(Word - reinterpret_cast<const UINT8 *>(Text)) + Lane * sizeof(Source)) /
             sizeof(Source);
    }
    Word += kWord;
    __builtin_memcpy(&Value, Word, kWord);
  }
}
