#include "platform/hardware_access.h"

UINT64 DivRem64(UINT64 Dividend, UINT64 Divisor, UINT64 *Remainder) {
  if (Divisor == 0) {
    if (Remainder != nullptr) {
      *Remainder = Dividend;
    }
    return ~0ULL;
  }
  if (Remainder != nullptr) {
    *Remainder = Dividend % Divisor;
  }
  return Dividend / Divisor;
}

UINT64 Mul64(UINT64 First, UINT64 Second) { return First * Second; }

UINT64 ShiftLeft64(UINT64 Value, UINTN Count) { return Value << (Count & 63); }

UINT32 AndOr32(UINT32 *Cell, UINT32 OrValue, UINT32 AndMask) {
  *Cell = (*Cell & AndMask) | OrValue;
  return *Cell;
}
