// Both engines on arbitrary formats and sizes, and ParseInteger and the digit helpers on
// arbitrary text and values. Checks that output stays inside a heap buffer of exactly
// `size` characters, that at most size - 1 characters and the terminator are written, and
// that nothing past the terminator changes.
//
// Input: byte 0 chooses the engine (bit 0: 16-bit) and the parser's base and step (bits
// 1-7); bytes 1-2 are the size (little-endian, up to kMostSize); the rest is the format
// (16-bit formats take the bytes in little-endian pairs).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "format/format.h"

namespace {

constexpr size_t kSlots = 16;
constexpr size_t kMostDirectives = kSlots / 2;  // "*" and the conversion take a slot each
constexpr uint64_t kMostSize = 4096;
constexpr size_t kMostWidthDigits = 3;  // widths up to 999
constexpr size_t kMostPerDirective = 1000;  // a width of 999 at most; texts are shorter
constexpr uint16_t kUntouched = 0x7E;

// Every argument slot points at one of these: at least 16 bytes (a GUID) and zero-terminated
// both as 8-bit and as 16-bit text, so each slot is valid for any directive.
alignas(16) const unsigned char kArguments[][32] = {
    "ABCDEFGHIJKLMNO",
    "\xE9\x80\xFF\x41\x62\x63",
    "",
    "0123456789abcdef0123456789",
};
constexpr size_t kArgumentCount = sizeof(kArguments) / sizeof(kArguments[0]);

void Require(bool Condition) {
  if (!Condition) {
    abort();
  }
}

template <typename Char>
uint16_t LowByte(Char Character) {
  return static_cast<uint8_t>(Character);
}

// Keeps the format to kMostDirectives directives, so no directive runs out of arguments;
// returns how many it has.
template <typename Char>
size_t LimitDirectives(std::vector<Char> &Format) {
  size_t Directives = 0;
  for (size_t Index = 0; Index < Format.size(); ++Index) {
    if (Format[Index] == '%' && ++Directives > kMostDirectives) {
      Format.resize(Index);
      --Directives;
      break;
    }
  }
  Format.push_back(0);
  return Directives;
}

// Size 0 does not limit the output, so a width of a billion would pad a billion characters:
// that input is the caller's fault, not the engine's. Formats that may hold a width above
// 999 ("*" takes one from a pointer) are run with a limit instead. The width parser reads
// each character's low byte, so the digits are looked for there.
template <typename Char>
bool MayHoldLargeWidth(const std::vector<Char> &Format) {
  size_t Digits = 0;
  for (Char Character : Format) {
    uint16_t Low = LowByte(Character);
    if (Low == '*') {
      return true;
    }
    Digits = Low >= '0' && Low <= '9' ? Digits + 1 : 0;
    if (Digits > kMostWidthDigits) {
      return true;
    }
  }
  return false;
}

template <size_t... Index>
int64_t Render(CHAR8 *Buffer, uint64_t Size, const CHAR8 *Format, std::index_sequence<Index...>) {
  return FormatAscii(Buffer, Size, Format, static_cast<const void *>(kArguments[Index % kArgumentCount])...);
}

template <size_t... Index>
int64_t Render(CHAR16 *Buffer, uint64_t Size, const CHAR16 *Format, std::index_sequence<Index...>) {
  return FormatWide(Buffer, Size, Format, static_cast<const void *>(kArguments[Index % kArgumentCount])...);
}

template <typename Char>
void CheckEngine(std::vector<Char> Format, uint64_t Size) {
  size_t Directives = LimitDirectives(Format);
  if (Size == 0 && MayHoldLargeWidth(Format)) {
    Size = kMostSize;
  }
  // Under size 0 plain text is copied once and each directive writes at most a padded number.
  size_t Capacity = Size != 0 ? Size : Format.size() + Directives * kMostPerDirective;
  std::vector<Char> Buffer(Capacity, static_cast<Char>(kUntouched));  // exactly Capacity: ASan sees overruns
  int64_t Written = Render(Buffer.data(), Size, Format.data(), std::make_index_sequence<kSlots>());
  Require(Written >= 0 && static_cast<uint64_t>(Written) < Capacity);
  Require(Buffer[Written] == 0);
  for (size_t Index = Written + 1; Index < Capacity; ++Index) {
    Require(Buffer[Index] == static_cast<Char>(kUntouched));
  }
}

template <typename Char>
void CheckParse(const std::vector<Char> &Text, uint32_t Base) {
  std::vector<Char> Terminated(Text);
  Terminated.push_back(0);
  const VOID *End = nullptr;
  ParseInteger(Terminated.data(), &End, Base, sizeof(Char));
  const Char *Stop = static_cast<const Char *>(End);
  Require(Stop >= Terminated.data() && Stop < Terminated.data() + Terminated.size());
}

void CheckDigits(const uint8_t *Data, size_t Size, uint32_t Base, bool Long) {
  uint64_t Value = 0;
  for (size_t Index = 0; Index < Size && Index < 8; ++Index) {
    Value = Value << 8 | Data[Index];
  }
  std::vector<CHAR8> Ascii(kDigitScratchSize);
  std::vector<CHAR16> Wide(kDigitScratchSize);
  CHAR8 *Last = ValueToReversedDigits(static_cast<INT64>(Value), Ascii.data(), Base, Long);
  Require(Last >= Ascii.data() && Last[1] == 0);
  ValueToAsciiDigits(static_cast<INT64>(Value), Ascii.data(), Base, Long);
  ValueToWideDigits(static_cast<INT64>(Value), Wide.data(), Base, Long);
  for (size_t Index = 0; Ascii[Index] != 0; ++Index) {
    Require(Wide[Index] == static_cast<CHAR16>(Ascii[Index]));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  if (Size < 3) {
    return 0;
  }
  bool Wide = (Data[0] & 1) != 0;
  uint32_t Base = (Data[0] >> 1) % 37;  // 0 detects; 1 to 36 as given
  uint64_t OutputSize = (Data[1] | static_cast<uint64_t>(Data[2]) << 8) % (kMostSize + 1);
  const uint8_t *Text = Data + 3;
  size_t TextSize = Size - 3;

  if (Wide) {
    std::vector<CHAR16> Format(TextSize / 2);
    for (size_t Index = 0; Index < Format.size(); ++Index) {
      Format[Index] = static_cast<CHAR16>(Text[2 * Index] | Text[2 * Index + 1] << 8);
    }
    CheckParse(Format, Base);
    CheckEngine(std::move(Format), OutputSize);
  } else {
    std::vector<CHAR8> Format(Text, Text + TextSize);
    CheckParse(Format, Base);
    CheckEngine(std::move(Format), OutputSize);
  }
  CheckDigits(Text, TextSize, Data[0] & 2 ? 16 : Base, (Data[0] & 4) != 0);
  return 0;
}
