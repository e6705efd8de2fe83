// The engine's output: the caller's buffer, the write position and the characters left.
#pragma once

#include "uefi/uefi_base.h"

// Shown in place of a null string or GUID pointer.
constexpr CHAR8 kNullMarker[] = "<null>";

// The code of a source character: 8-bit text is taken as unsigned, so bytes 0x80-0xFF
// widen to U+0080-U+00FF; narrowing 16-bit text keeps each character's low byte.
inline UINT16 CharacterCode(CHAR8 Character) { return static_cast<UINT8>(Character); }
inline UINT16 CharacterCode(CHAR16 Character) { return Character; }

template <typename Char>
struct FormatSink {
  Char *Start;
  Char *Position;
  // Characters the buffer still holds, the terminating zero included. It only ever
  // decreases and output stops when it reaches 1, so a size of 0 never limits.
  UINT64 Remaining;

  bool Full() const { return Remaining == 1; }

  bool Put(Char Character) {
    if (Full()) {
      return false;
    }
    --Remaining;
    *Position++ = Character;
    return true;
  }

  template <typename Source>
  void PutText(const Source *Text) {
    if (Text == nullptr) {
      PutText(kNullMarker);
      return;
    }
    while (*Text != 0 && Put(static_cast<Char>(CharacterCode(*Text)))) {
      ++Text;
    }
  }

  // Accounts for characters a nested call of the engine wrote at Position.
  void Advance(INT64 Written) {
    Position += Written;
    Remaining -= static_cast<UINT64>(Written);
  }

  INT64 Finish() {
    *Position = 0;
    return Position - Start;
  }
};
