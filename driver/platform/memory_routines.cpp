#include "platform/firmware_services.h"
#include "platform/no_library_calls.h"
#include "platform/unaligned.h"

static bool ShareOffset(const VOID *First, const VOID *Second, UINTN Unit) {
  return ((UINTN)First & (Unit - 1)) == ((UINTN)Second & (Unit - 1));
}

// Bytes count as signed, so 0x80 sorts below 0x01; the callers rely on that order.
NO_LIBRARY_CALLS INT64 MemCompare(const VOID *First, const VOID *Second, UINTN Length) {
  const UINT8 *first = (const UINT8 *)First;
  const UINT8 *second = (const UINT8 *)Second;
  UINTN index = 0;
  if (Length >= 8) {
    if (ShareOffset(first, second, 8)) {
      while (((UINTN)(first + index) & 7) != 0 && first[index] == second[index]) {
        index++;
      }
    }
    while (Length - index >= 8 &&
           *(const UnalignedUint64 *)(first + index) == *(const UnalignedUint64 *)(second + index)) {
      index += 8;
    }
  }
  for (; index < Length; index++) {
    if (first[index] != second[index]) {
      return (INT64)(INT8)first[index] - (INT64)(INT8)second[index];
    }
  }
  return 0;
}

// Whole words need the operands at least a word apart, so that no word read
// overlaps a word not yet written.
NO_LIBRARY_CALLS void MemMove(VOID *Destination, const VOID *Source, UINTN Length) {
  UINT8 *destination = (UINT8 *)Destination;
  const UINT8 *source = (const UINT8 *)Source;
  UINTN to = (UINTN)destination;
  UINTN from = (UINTN)source;
  if (to == from || Length == 0) {
    return;
  }
  bool words = Length >= 4 && (to > from ? to - from : from - to) >= 4;
  if (to > from && to - from < Length) {
    UINTN left = Length;
    if (words) {
      if (ShareOffset(destination, source, 4)) {
        while (((UINTN)(destination + left) & 3) != 0) {
          left--;
          destination[left] = source[left];
        }
      }
      while (left >= 4) {
        left -= 4;
        *(UnalignedUint32 *)(destination + left) = *(const UnalignedUint32 *)(source + left);
      }
    }
    while (left > 0) {
      left--;
      destination[left] = source[left];
    }
    return;
  }
  UINTN index = 0;
  if (words) {
    if (ShareOffset(destination, source, 4)) {
      while (((UINTN)(destination + index) & 3) != 0) {
        destination[index] = source[index];
        index++;
      }
    }
    for (; Length - index >= 4; index += 4) {
      *(UnalignedUint32 *)(destination + index) = *(const UnalignedUint32 *)(source + index);
    }
  }
  for (; index < Length; index++) {
    destination[index] = source[index];
  }
}

NO_LIBRARY_CALLS void MemFill(VOID *Destination, UINTN Length, UINTN Value) {
  UINT8 *destination = (UINT8 *)Destination;
  UINT8 byte = (UINT8)Value;
  UINTN index = 0;
  if (Length >= 4) {
    for (; ((UINTN)(destination + index) & 3) != 0; index++) {
      destination[index] = byte;
    }
    UINT32 word = byte * 0x01010101U;
    for (; Length - index >= 4; index += 4) {
      *(UnalignedUint32 *)(destination + index) = word;
    }
  }
  for (; index < Length; index++) {
    destination[index] = byte;
  }
}
