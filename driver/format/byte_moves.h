// Copies and fills of a few bytes, done with fixed-size moves. Output pieces are short
// (a number, a name), and a plain byte loop would be turned into a library call by some
// compilers, costing more than the move itself.
#pragma once

#include "uefi/uefi_base.h"

namespace byte_moves_detail {

template <UINTN kBytes>
inline void Move(UINT8 *Target, const UINT8 *Source) {
  __builtin_memcpy(Target, Source, kBytes);
}

// Count below 8: two moves of a power of two that overlap in the middle.
inline void MoveShort(UINT8 *Target, const UINT8 *Source, UINTN Count) {
  if (Count >= 4) {
    Move<4>(Target, Source);
    Move<4>(Target + Count - 4, Source + Count - 4);
  } else if (Count >= 2) {
    Move<2>(Target, Source);
    Move<2>(Target + Count - 2, Source + Count - 2);
  } else if (Count == 1) {
    *Target = *Source;
  }
}

}  // namespace byte_moves_detail

inline void CopyBytes(VOID *To, const VOID *From, UINTN Count) {
  using namespace byte_moves_detail;
  UINT8 *Target = static_cast<UINT8 *>(To);
  const UINT8 *Source = static_cast<const UINT8 *>(From);
  if (Count < 8) {
    MoveShort(Target, Source, Count);
    return;
  }
  for (UINTN Offset = 0; Offset + 8 < Count; Offset += 8) {
    Move<8>(Target + Offset, Source + Offset);
  }
  Move<8>(Target + Count - 8, Source + Count - 8);
}

// Fills Count bytes with an 8-byte Pattern that repeats every Period bytes (1 or 2);
// Count is a multiple of Period, so overlapping moves stay in phase.
inline void FillBytes(VOID *To, UINT64 Pattern, UINTN Count) {
  using namespace byte_moves_detail;
  UINT8 *Target = static_cast<UINT8 *>(To);
  const UINT8 *Source = reinterpret_cast<const UINT8 *>(&Pattern);
  if (Count < 8) {
    MoveShort(Target, Source, Count);
    return;
  }
  for (UINTN Offset = 0; Offset + 8 < Count; Offset += 8) {
    Move<8>(Target + Offset, Source);
  }
  Move<8>(Target + Count - 8, Source);
}
