// The formatted output engine: one engine, instantiated for 8-bit and 16-bit text.
#pragma once

#include <stdarg.h>

#include "uefi/uefi_base.h"

INT64 FormatAsciiV(CHAR8 *Buffer, UINT64 Size, const CHAR8 *Format, va_list Args);
INT64 FormatWideV(CHAR16 *Buffer, UINT64 Size, const CHAR16 *Format, va_list Args);
INT64 FormatAscii(CHAR8 *Buffer, UINT64 Size, const CHAR8 *Format, ...);
INT64 FormatWide(CHAR16 *Buffer, UINT64 Size, const CHAR16 *Format, ...);
INT64 FormatAsciiUnbounded(CHAR8 *Buffer, const CHAR8 *Format, ...);

CHAR8 *ValueToReversedDigits(INT64 Value, CHAR8 *Scratch, UINT32 Base, BOOLEAN Long);
CHAR8 *ValueToAsciiDigits(INT64 Value, CHAR8 *Scratch, UINT32 Base, BOOLEAN Long);
CHAR16 *ValueToWideDigits(INT64 Value, CHAR16 *Output, UINT32 Base, BOOLEAN Long);

// Step is the width of one character in bytes (1 or 2); only each character's low byte is read.
INT32 ParseInteger(const VOID *Text, const VOID **End, UINT32 Base, UINT32 Step);

CHAR8 *UpperCaseAscii(CHAR8 *Text);
CHAR16 *UpperCaseWide(CHAR16 *Text);
