// The formatted output engine: one engine, instantiated for 8-bit and 16-bit text.
//
// Size counts characters of the buffer, the terminating zero included; 0 means no limit.
// The result is the count of characters written before the terminating zero, or -1 for
// a null buffer or format. Each argument occupies one 64-bit slot: integer directives
// read the slot's low 32 bits as a signed value, or all of it with "l".
#pragma once

#include <stdarg.h>

#include "uefi/uefi_base.h"

INT64 FormatAsciiV(CHAR8 *Buffer, UINT64 Size, const CHAR8 *Format, va_list Args);
INT64 FormatWideV(CHAR16 *Buffer, UINT64 Size, const CHAR16 *Format, va_list Args);
INT64 FormatAscii(CHAR8 *Buffer, UINT64 Size, const CHAR8 *Format, ...);
INT64 FormatWide(CHAR16 *Buffer, UINT64 Size, const CHAR16 *Format, ...);
INT64 FormatAsciiUnbounded(CHAR8 *Buffer, const CHAR8 *Format, ...);

// A converted value: at most 19 digits and a sign, then the terminating zero.
constexpr UINTN kDigitScratchSize = 21;

// Base is 10 or 16 (any other base is taken as 10). Without Long a negative value in
// base 16 is shown as its low 32 bits. Scratch and Output hold kDigitScratchSize characters.
// ValueToReversedDigits returns its last character (the text is least significant first).
CHAR8 *ValueToReversedDigits(INT64 Value, CHAR8 *Scratch, UINT32 Base, BOOLEAN Long);
CHAR8 *ValueToAsciiDigits(INT64 Value, CHAR8 *Scratch, UINT32 Base, BOOLEAN Long);
CHAR16 *ValueToWideDigits(INT64 Value, CHAR16 *Output, UINT32 Base, BOOLEAN Long);

// Step is the width of one character in bytes (1 or 2); only each character's low byte is
// read. Base 0 detects "0x" (16) and a leading "0" (8). Out-of-range values saturate to
// the INT32 limits. End (may be null) receives the first character not consumed.
INT32 ParseInteger(const VOID *Text, const VOID **End, UINT32 Base, UINT32 Step);

// In place, 'a'..'z' become 'A'..'Z'; returns Text.
CHAR8 *UpperCaseAscii(CHAR8 *Text);
CHAR16 *UpperCaseWide(CHAR16 *Text);
