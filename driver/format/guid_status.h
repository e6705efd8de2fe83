// The two firmware directives: "%g"/"%G" (a GUID) and "%r" (a status by name). Each is
// rendered by a nested call of the engine's own variadic form at the output position.
#pragma once

#include "format/engine_width.h"
#include "format/format_sink.h"
#include "format/status_names.h"

inline UINT32 LittleEndian16(const UINT8 *Bytes) { return Bytes[0] | static_cast<UINT32>(Bytes[1]) << 8; }

inline UINT32 LittleEndian32(const UINT8 *Bytes) {
  return LittleEndian16(Bytes) | LittleEndian16(Bytes + 2) << 16;
}

// The GUID is read byte by byte: callers may pass one inside a packed record.
template <typename Char>
void RenderGuid(FormatSink<Char> &Sink, const UINT8 *Guid, bool Upper) {
  if (Guid == nullptr) {
    Sink.PutText(kNullMarker);
    return;
  }
  INT64 Written = EngineWidth<Char>::Format(Sink.Position, Sink.Remaining, kGuidLayout<Char>.Text,
                                            LittleEndian32(Guid), LittleEndian16(Guid + 4),
                                            LittleEndian16(Guid + 6), Guid[8], Guid[9], Guid[10], Guid[11],
                                            Guid[12], Guid[13], Guid[14], Guid[15]);
  if (Upper) {
    EngineWidth<Char>::UpperCase(Sink.Position);
  }
  Sink.Advance(Written);
}

template <typename Char>
void RenderStatus(FormatSink<Char> &Sink, EFI_STATUS Status) {
  const CHAR8 *Name = StatusName(Status);
  INT64 Written =
      Name != nullptr
          ? EngineWidth<Char>::Format(Sink.Position, Sink.Remaining, kStatusNameLayout<Char>.Text, Name)
          : EngineWidth<Char>::Format(Sink.Position, Sink.Remaining, kStatusCodeLayout<Char>.Text,
                                      kStatusCodeText, static_cast<UINT32>(Status));
  Sink.Advance(Written);
}
