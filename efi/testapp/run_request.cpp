#include "run_request.h"

namespace {

// One line being read, word by word.
struct LineCursor {
  const CHAR8 *At;
  const CHAR8 *End;
};

bool IsBlank(CHAR8 Character) { return Character == ' ' || Character == '\t' || Character == '\r'; }

void SkipBlanks(LineCursor &Line) {
  while (Line.At < Line.End && IsBlank(*Line.At)) {
    Line.At++;
  }
}

// The next word, up to a blank or the line's end; empty at the end.
LineCursor NextWord(LineCursor &Line) {
  SkipBlanks(Line);
  LineCursor word = {Line.At, Line.At};
  while (Line.At < Line.End && !IsBlank(*Line.At)) {
    Line.At++;
  }
  word.End = Line.At;
  return word;
}

bool WordIs(const LineCursor &Word, const CHAR8 *Text) {
  const CHAR8 *at = Word.At;
  for (; *Text != 0; Text++, at++) {
    if (at == Word.End || *at != *Text) {
      return false;
    }
  }
  return at == Word.End;
}

int DigitValue(CHAR8 Character, UINT32 Base) {
  int value = -1;
  if (Character >= '0' && Character <= '9') {
    value = Character - '0';
  } else if (Character >= 'a' && Character <= 'f') {
    value = Character - 'a' + 10;
  } else if (Character >= 'A' && Character <= 'F') {
    value = Character - 'A' + 10;
  }
  return value >= 0 && (UINT32)value < Base ? value : -1;
}

bool ReadNumber(LineCursor Word, UINT16 *Value) {
  UINT32 base = 10;
  if (Word.End - Word.At > 2 && Word.At[0] == '0' && (Word.At[1] == 'x' || Word.At[1] == 'X')) {
    base = 16;
    Word.At += 2;
  }
  if (Word.At == Word.End) {
    return false;
  }
  UINT32 number = 0;
  for (; Word.At < Word.End; Word.At++) {
    const int digit = DigitValue(*Word.At, base);
    if (digit < 0) {
      return false;
    }
    number = number * base + (UINT32)digit;
    if (number > 0xFFFF) {
      return false;
    }
  }
  *Value = (UINT16)number;
  return true;
}

// The rest of a browse line: the classes to show, if any.
bool ReadClasses(LineCursor Line, RunRequest *Request) {
  const UINTN capacity = sizeof Request->BrowseClasses / sizeof Request->BrowseClasses[0];
  for (LineCursor word = NextWord(Line); word.At != word.End; word = NextWord(Line)) {
    if (Request->BrowseClassCount == capacity ||
        !ReadNumber(word, &Request->BrowseClasses[Request->BrowseClassCount])) {
      return false;
    }
    Request->BrowseClassCount++;
  }
  return true;
}

bool ReadLine(LineCursor Line, RunRequest *Request) {
  for (const CHAR8 *at = Line.At; at < Line.End; at++) {
    if (*at == '#') {
      Line.End = at;
      break;
    }
  }
  const LineCursor command = NextWord(Line);
  if (command.At == command.End) {
    return true;
  }
  if (WordIs(command, "trigger")) {
    Request->Trigger = 1;
  } else if (WordIs(command, "browse")) {
    Request->Browse = 1;
    return ReadClasses(Line, Request);
  } else if (WordIs(command, "export")) {
    Request->Export = 1;
  } else if (WordIs(command, "dispatched")) {
    Request->Dispatched = 1;
  } else if (WordIs(command, "callback")) {
    const UINTN capacity = sizeof Request->Callbacks / sizeof Request->Callbacks[0];
    if (Request->CallbackCount == capacity) {
      return false;
    }
    FormCallbackRequest &callback = Request->Callbacks[Request->CallbackCount];
    if (!ReadNumber(NextWord(Line), &callback.FormClass) || !ReadNumber(NextWord(Line), &callback.Key)) {
      return false;
    }
    Request->CallbackCount++;
  } else {
    return false;
  }
  const LineCursor rest = NextWord(Line);
  return rest.At == rest.End;
}

}  // namespace

EFI_STATUS ParseRunRequest(const CHAR8 *Text, UINTN Size, RunRequest *Request, UINTN *BadLine) {
  *Request = {};
  const CHAR8 *end = Text + Size;
  UINTN number = 1;
  for (const CHAR8 *start = Text; start < end; number++) {
    const CHAR8 *stop = start;
    while (stop < end && *stop != '\n') {
      stop++;
    }
    if (!ReadLine({start, stop}, Request)) {
      *BadLine = number;
      return EFI_INVALID_PARAMETER;
    }
    start = stop + 1;
  }
  return EFI_SUCCESS;
}

BOOLEAN BrowsesClass(const RunRequest &Request, UINT16 FormClass) {
  if (Request.BrowseClassCount == 0) {
    return 1;
  }
  for (UINTN index = 0; index < Request.BrowseClassCount; index++) {
    if (Request.BrowseClasses[index] == FormClass) {
      return 1;
    }
  }
  return 0;
}
