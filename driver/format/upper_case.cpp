#include "format/format.h"

namespace {

template <typename Char>
Char *UpperCaseText(Char *Text) {
  for (Char *Cursor = Text; *Cursor != 0; ++Cursor) {
    if (*Cursor >= 'a' && *Cursor <= 'z') {
      *Cursor = static_cast<Char>(*Cursor - 0x20);
    }
  }
  return Text;
}

}  // namespace

CHAR8 *UpperCaseAscii(CHAR8 *Text) { return UpperCaseText(Text); }

CHAR16 *UpperCaseWide(CHAR16 *Text) { return UpperCaseText(Text); }
