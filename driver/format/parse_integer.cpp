#include "format/format.h"
#include "format/parse_integer.h"

INT32 ParseInteger(const VOID *Text, const VOID **End, UINT32 Base, UINT32 Step) {
  const UINT8 *Stop = static_cast<const UINT8 *>(Text);
  INT32 Value = 0;
  if (Text != nullptr) {
    Value = ParseIntegerBytes(Stop, &Stop, Base, Step == 0 ? 1 : Step);
  }
  if (End != nullptr) {
    *End = Stop;
  }
  return Value;
}
