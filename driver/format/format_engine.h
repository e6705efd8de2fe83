// The engine core, one source for both widths: the main loop, directive parsing and
// the integer directives. Included only by format_engines.cpp, which instantiates it.
#pragma once

#include "format/guid_status.h"

// Pads in front of the whole text, sign included (%05d of -42 gives 00-42).
template <typename Char>
void RenderInteger(FormatSink<Char> &Sink, INT64 Value, UINT32 Base, bool Long, bool Upper, UINT32 Width,
                   Char Pad) {
  CHAR8 Scratch[kDigitScratchSize];
  UINT32 Length = static_cast<UINT32>(ValueToReversedDigits(Value, Scratch, Base, Long) - Scratch + 1);
  for (; Width > Length; --Width) {
    if (!Sink.Put(Pad)) {
      return;
    }
  }
  for (UINT32 Index = Length; Index-- > 0;) {
    CHAR8 Digit = Scratch[Index];
    if (Upper && Digit >= 'a') {
      Digit = static_cast<CHAR8>(Digit - 0x20);
    }
    if (!Sink.Put(static_cast<Char>(Digit))) {
      return;
    }
  }
}

// At is the character after "%". Returns where the main loop goes on: after the
// directive, or at an unrecognised conversion character, which is then plain text.
// A "*" width takes its argument even when the conversion turns out unrecognised.
template <typename Char>
const Char *RenderDirective(FormatSink<Char> &Sink, const Char *At, va_list &Slots) {
  if (*At == '%') {
    Sink.Put('%');
    return At + 1;
  }
  Char Pad = ' ';
  if (*At == '0') {
    Pad = '0';
    ++At;
  }
  INT32 Width;
  if (*At == '*') {
    Width = va_arg(Slots, int);
    ++At;
  } else {
    const VOID *End;
    Width = ParseInteger(At, &End, 10, sizeof(Char));
    At = static_cast<const Char *>(End);
  }
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
  }
  bool Long = *At == 'l';
  if (Long) {
    ++At;
  }
  UINT32 Base = 16;
  if (*At == 'd' || *At == 'i') {
    Base = 10;
  } else if (*At != 'x' && *At != 'X') {
    return At;
  }
  INT64 Value = Long ? va_arg(Slots, INT64) : va_arg(Slots, int);
  // A negative width ("%-5d", or "*" given a negative number) would pad without end.
  RenderInteger(Sink, Value, Base, Long, *At == 'X', Width < 0 ? 0 : static_cast<UINT32>(Width), Pad);
  return At + 1;
}

template <typename Char>
INT64 FormatV(Char *Buffer, UINT64 Size, const Char *Format, va_list Args) {
  if (Buffer == nullptr || Format == nullptr) {
    return -1;
  }
  FormatSink<Char> Sink{Buffer, Buffer, Size};
  // A copy of our own, so that directive helpers can take arguments through a reference
  // in both calling conventions (a va_list parameter is an array on the host).
  va_list Slots;
  va_copy(Slots, Args);
  const Char *Cursor = Format;
  while (!Sink.Full() && *Cursor != 0) {
    if (*Cursor == '%') {
      Cursor = RenderDirective(Sink, Cursor + 1, Slots);
    } else {
      Sink.Put(*Cursor++);
    }
  }
  va_end(Slots);
  return Sink.Finish();
}
