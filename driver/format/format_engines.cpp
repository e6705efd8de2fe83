// The exported engines: the one template instantiated for 8-bit and 16-bit text.
#include "format/format_engine.h"

INT64 FormatAsciiV(CHAR8 *Buffer, UINT64 Size, const CHAR8 *Format, va_list Args) {
  return FormatV(Buffer, Size, Format, Args);
}

INT64 FormatWideV(CHAR16 *Buffer, UINT64 Size, const CHAR16 *Format, va_list Args) {
  return FormatV(Buffer, Size, Format, Args);
}

INT64 FormatAscii(CHAR8 *Buffer, UINT64 Size, const CHAR8 *Format, ...) {
  va_list Args;
  va_start(Args, Format);
  INT64 Written = FormatAsciiV(Buffer, Size, Format, Args);
  va_end(Args);
  return Written;
}

INT64 FormatWide(CHAR16 *Buffer, UINT64 Size, const CHAR16 *Format, ...) {
  va_list Args;
  va_start(Args, Format);
  INT64 Written = FormatWideV(Buffer, Size, Format, Args);
  va_end(Args);
  return Written;
}

// Size 0: the output is limited only by the format and the arguments.
INT64 FormatAsciiUnbounded(CHAR8 *Buffer, const CHAR8 *Format, ...) {
  va_list Args;
  va_start(Args, Format);
  INT64 Written = FormatAsciiV(Buffer, 0, Format, Args);
  va_end(Args);
  return Written;
}
