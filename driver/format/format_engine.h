// The engine core, one source for both widths: the main loop, directive parsing and
// the integer directives. Included only by format_engines.cpp, which instantiates it.
#pragma once

#include "format/guid_status.h"
#include "format/parse_integer.h"

// Pads in front of the whole text, sign included (%05d of -42 gives 00-42).
template <typename Char>
FORMAT_INLINE void RenderInteger(FormatSink<Char> &Sink, INT64 Value, UINT32 Base, bool Long, bool Upper,
                                 UINT32 Width, Char Pad) {
  const CHAR8 *Digits = Upper ? kUpperDigits : kLowerDigits;
  DigitText Text = MeasureDigits(Value, Base, Long);
  if (Width > Text.Length) {
    Sink.PutRepeated(Pad, Width - Text.Length);
  }
  if (Sink.Room >= Text.Length) {
    WriteDigits(Sink.Position, Text, Digits);
    Sink.Position += Text.Length;
    Sink.Room -= Text.Length;
    return;
  }
  CHAR8 Scratch[kDigitScratchSize];  // only the leading characters fit
  WriteDigits(Scratch, Text, Digits);
  Sink.PutCounted(Scratch, Text.Length);
}

template <typename Char>
FORMAT_INLINE bool IsIntegerConversion(Char Conversion) {
  return Conversion == 'd' || Conversion == 'i' || Conversion == 'x' || Conversion == 'X';
}

// The width after "%" and the flag: "*" takes it from the next argument, otherwise the
// digits are parsed (the low byte of each character, as ParseInteger reads them). A
// negative width ("%-5d", or "*" given a negative number) would pad without end: 0.
template <typename Char, typename ArgumentList>
FORMAT_INLINE UINT32 ReadWidth(const Char *&At, ArgumentList &Slots) {
  INT32 Width;
  if (*At == '*') {
    Width = va_arg(Slots, int);
    ++At;
  } else if (static_cast<UINT8>(*At) > '9') {  // the parser would stop at once: no width
    Width = 0;
  } else {
    const UINT8 *End = reinterpret_cast<const UINT8 *>(At);
    if (static_cast<UINT8>(*At) >= '0') {  // the usual width, bare digits: no call
      Width = parse_integer_detail::SaturatedValue(parse_integer_detail::ParseDigitRun(End, 10, sizeof(Char)), false);
    } else {  // blanks or a sign first
      Width = ParseIntegerBytes(End, &End, 10, sizeof(Char));
    }
    At = reinterpret_cast<const Char *>(End);
  }
  return Width < 0 ? 0 : static_cast<UINT32>(Width);
}

// At is the character after "%". Returns where the main loop goes on: after the
// directive, or at an unrecognised conversion character, which is then plain text.
// A "*" width takes its argument even when the conversion turns out unrecognised.
template <typename Char, typename ArgumentList>
FORMAT_INLINE const Char *RenderDirective(FormatSink<Char> &Sink, const Char *At, ArgumentList &Slots) {
  if (*At == '%') {
    Sink.Put('%');
    return At + 1;
  }
  Char Pad = ' ';
  if (*At == '0') {
    Pad = '0';
    ++At;
  }
  UINT32 Width = ReadWidth(At, Slots);
  bool Long = false;
  switch (*At) {
    case 's':
      Sink.PutText(va_arg(Slots, const Char *));
      return At + 1;
    case 'a':
      Sink.PutText(va_arg(Slots, const CHAR8 *));
      return At + 1;
    case 'S':
      Sink.PutText(va_arg(Slots, const typename EngineWidth<Char>::OtherChar *));
      return At + 1;
    case 'c':
      Sink.Put(static_cast<Char>(va_arg(Slots, int)));
      return At + 1;
    case 'g':
    case 'G':
      RenderGuid(Sink, va_arg(Slots, const UINT8 *), *At == 'G');
      return At + 1;
    case 'r':
      RenderStatus(Sink, va_arg(Slots, UINT64));
      return At + 1;
    case 'l':
      Long = true;
      ++At;
      if (!IsIntegerConversion(*At)) {
        return At;
      }
      break;
    case 'd':
    case 'i':
    case 'x':
    case 'X':
      break;
    default:
      return At;
  }
  INT64 Value = Long ? va_arg(Slots, INT64) : va_arg(Slots, int);
  UINT32 Base = *At == 'x' || *At == 'X' ? 16 : 10;
  RenderInteger(Sink, Value, Base, Long, *At == 'X', Width, Pad);
  return At + 1;
}

template <typename Char>
INT64 FormatV(Char *Buffer, UINT64 Size, const Char *Format, va_list Args) {
  if (Buffer == nullptr || Format == nullptr) {
    return -1;
  }
  FormatSink<Char> Sink(Buffer, Size);
  const Char *Cursor = Format;
  while (!Sink.Full()) {
    Char Character = *Cursor;
    // One comparison lets most plain text through; only a few characters are below '%'.
    if (CharacterCode(Character) <= '%') {
      if (Character == 0) {
        break;
      }
      if (Character == '%') {
        // Args is passed by reference: inside this function a va_list parameter is a pointer
        // on the host and the list itself (char *) in firmware, and both must advance here.
        Cursor = RenderDirective(Sink, Cursor + 1, Args);
        continue;
      }
    }
    Sink.Put(Character);
    ++Cursor;
  }
  return Sink.Finish();
}
