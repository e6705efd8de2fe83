// The routines the compiler itself emits calls to (structure copies and zeroing)
// in an image linked with no default library. They sit on MemFill and MemMove,
// which are kept from being turned back into these calls (no_library_calls.h).
#include "platform/firmware_services.h"
#include "platform/no_library_calls.h"

extern "C" {

NO_LIBRARY_CALLS void *memset(void *Destination, int Value, size_t Length) {
  MemFill(Destination, Length, (UINT8)Value);
  return Destination;
}

NO_LIBRARY_CALLS void *memcpy(void *Destination, const void *Source, size_t Length) {
  MemMove(Destination, Source, Length);
  return Destination;
}

NO_LIBRARY_CALLS void *memmove(void *Destination, const void *Source, size_t Length) {
  MemMove(Destination, Source, Length);
  return Destination;
}

// Unlike MemCompare, memcmp orders bytes as unsigned.
NO_LIBRARY_CALLS int memcmp(const void *First, const void *Second, size_t Length) {
  const UINT8 *first = (const UINT8 *)First;
  const UINT8 *second = (const UINT8 *)Second;
  for (size_t index = 0; index < Length; index++) {
    if (first[index] != second[index]) {
      return (int)first[index] - (int)second[index];
    }
  }
  return 0;
}
}
