#include "platform/firmware_services.h"

UINTN AsciiStrLen(const CHAR8 *Text) {
  UINTN length = 0;
  while (Text[length] != 0) {
    length++;
  }
  return length;
}

UINTN WideStrLen(const CHAR16 *Text) {
  UINTN length = 0;
  while (Text[length] != 0) {
    length++;
  }
  return length;
}

// Bytes count as signed, as in MemCompare.
INTN AsciiStrCmp(const CHAR8 *First, const CHAR8 *Second) {
  while (*First != 0 && *First == *Second) {
    First++;
    Second++;
  }
  return (INTN)(INT8)*First - (INTN)(INT8)*Second;
}

// Compares exactly three bytes, zero bytes included.
BOOLEAN AsciiEqual3(const CHAR8 *First, const CHAR8 *Second) {
  return First[0] == Second[0] && First[1] == Second[1] && First[2] == Second[2];
}
