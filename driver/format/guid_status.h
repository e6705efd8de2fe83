// The two firmware directives: "%g"/"%G" (a GUID) and "%r" (a status by name).
#pragma once

#include "format/digit_text.h"
#include "format/engine_width.h"
#include "format/format_sink.h"
#include "format/status_names.h"

namespace guid_text_detail {

// The GUID's 32-bit and two 16-bit fields are little-endian: the byte offsets in the order
// the text shows them, the layout of "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x".
constexpr UINT8 kShownOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr UINT32 kDashAfter = 1u << 3 | 1u << 5 | 1u << 7 | 1u << 9;  // positions in kShownOrder
constexpr UINT32 kTextLength = 36;

// The GUID is read byte by byte: callers may pass one inside a packed record.
template <typename Out>
void WriteGuidText(Out *Target, const UINT8 *Guid, const CHAR8 *Digits) {
  for (UINT32 Index = 0; Index < 16; ++Index) {
    UINT8 Byte = Guid[kShownOrder[Index]];
    *Target++ = static_cast<Out>(Digits[Byte >> 4]);
    *Target++ = static_cast<Out>(Digits[Byte & 0xF]);
    if ((kDashAfter >> Index & 1) != 0) {
      *Target++ = '-';
    }
  }
}

}  // namespace guid_text_detail

// "%G" shows the same text with upper-case digits. A GUID that does not fit is cut.
template <typename Char>
FORMAT_INLINE void RenderGuid(FormatSink<Char> &Sink, const UINT8 *Guid, bool Upper) {
  using namespace guid_text_detail;
  if (Guid == nullptr) {
    Sink.PutNullMarker();
    return;
  }
  const CHAR8 *Digits = Upper ? kUpperDigits : kLowerDigits;
  if (Sink.Room >= kTextLength) {
    WriteGuidText(Sink.Position, Guid, Digits);
    Sink.Position += kTextLength;
    Sink.Room -= kTextLength;
    return;
  }
  CHAR8 Text[kTextLength];
  WriteGuidText(Text, Guid, Digits);
  Sink.PutCounted(Text, kTextLength);
}

// A name is copied as text; a status without one is formatted by a nested call of the
// engine's own variadic form at the output position.
template <typename Char>
FORMAT_INLINE void RenderStatus(FormatSink<Char> &Sink, EFI_STATUS Status) {
  const CHAR8 *Name = StatusName(Status);
  if (Name != nullptr) {
    Sink.PutText(Name);
    return;
  }
  Sink.Advance(EngineWidth<Char>::Format(Sink.Position, Sink.NestedSize(), kStatusCodeLayout<Char>.Text,
                                         kStatusCodeText, static_cast<UINT32>(Status)));
}
