// The engine's output: the caller's buffer, the write position and the room left.
#pragma once

#include "format/byte_moves.h"
#include "format/text_length.h"
#include "uefi/uefi_base.h"

// The engine's helpers that take the sink are forced inline: if one were called, the sink's
// address would escape and its position and room would live in memory for every character.
#define FORMAT_INLINE inline __attribute__((always_inline))

constexpr CHAR8 kNullMarker[] = "<null>";

// The code of a source character: 8-bit text is taken as unsigned, so bytes 0x80-0xFF
// widen to U+0080-U+00FF; narrowing 16-bit text keeps each character's low byte.
inline UINT16 CharacterCode(CHAR8 Character) { return static_cast<UINT8>(Character); }
inline UINT16 CharacterCode(CHAR16 Character) { return Character; }

// 8-bit text to 16-bit, four characters per step: each byte moves to the low half of
// its own 16-bit lane (zero extension, as CharacterCode does).
inline void WidenBytes(CHAR16 *To, const CHAR8 *From, UINT64 Count) {
  UINT64 Index = 0;
  for (; Index + 4 <= Count; Index += 4) {
    UINT32 Four;
    __builtin_memcpy(&Four, From + Index, 4);
    UINT64 Lanes = Four;
    Lanes = (Lanes | Lanes << 16) & 0x0000FFFF0000FFFFULL;
    Lanes = (Lanes | Lanes << 8) & 0x00FF00FF00FF00FFULL;
    __builtin_memcpy(To + Index, &Lanes, 8);
  }
  for (; Index < Count; ++Index) {
    To[Index] = CharacterCode(From[Index]);
  }
}

template <typename Char>
struct FormatSink {
  Char *Start;
  Char *Position;
  // Characters that may still be written before the terminating zero: the size less one.
  // A size of 0 wraps round to the largest count, so it never limits.
  UINT64 Room;

  FormatSink(Char *Buffer, UINT64 Size) : Start(Buffer), Position(Buffer), Room(Size - 1) {}

  FORMAT_INLINE bool Full() const { return Room == 0; }

  // The size to give a nested call of the engine writing at Position (0 if unlimited).
  FORMAT_INLINE UINT64 NestedSize() const { return Room + 1; }

  FORMAT_INLINE bool Put(Char Character) {
    if (Full()) {
      return false;
    }
    --Room;
    *Position++ = Character;
    return true;
  }

  // Count copies of Character, as many as fit.
  FORMAT_INLINE void PutRepeated(Char Character, UINT64 Count) {
    if (Count > Room) {
      Count = Room;
    }
    Room -= Count;
    constexpr UINT64 kEveryCharacter = sizeof(Char) == 1 ? 0x0101010101010101ULL : 0x0001000100010001ULL;
    FillBytes(Position, kEveryCharacter * CharacterCode(Character), Count * sizeof(Char));
    Position += Count;
  }

  // Shown in place of a null string or GUID pointer.
  FORMAT_INLINE void PutNullMarker() {
    for (const CHAR8 *Marker = kNullMarker; *Marker != 0 && Put(static_cast<Char>(*Marker)); ++Marker) {
    }
  }

  // Copies zero-terminated text (null shows kNullMarker), as much as fits.
  template <typename Source>
  FORMAT_INLINE void PutText(const Source *Text) {
    if (Text == nullptr) {
      PutNullMarker();
      return;
    }
    PutCounted(Text, TextLength(Text));
  }

  // Copies Count characters of Text, as many as fit.
  template <typename Source>
  FORMAT_INLINE void PutCounted(const Source *Text, UINT64 Count) {
    if (Count > Room) {
      Count = Room;
    }
    Room -= Count;
    if constexpr (sizeof(Source) == sizeof(Char)) {
      CopyBytes(Position, Text, Count * sizeof(Char));
    } else if constexpr (sizeof(Source) < sizeof(Char)) {
      WidenBytes(Position, Text, Count);
    } else {
      for (UINT64 Index = 0; Index < Count; ++Index) {
        Position[Index] = static_cast<Char>(CharacterCode(Text[Index]));
      }
    }
    Position += Count;
  }

  // Accounts for characters a nested call of the engine wrote at Position.
  FORMAT_INLINE void Advance(INT64 Written) {
    Position += Written;
    Room -= static_cast<UINT64>(Written);
  }

  FORMAT_INLINE INT64 Finish() {
    *Position = 0;
    return Position - Start;
  }
};
