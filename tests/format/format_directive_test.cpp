// Directives, widths and cutting, rendered by both engines from one table.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "format/format.h"

namespace {

// One argument slot as callers fill it. Text is given once and stored in the width the
// directive reads in the engine under test: "%s" its own width, "%a" 8-bit, "%S" the other.
struct Slot {
  enum Kind { Integer, OwnText, AsciiText, OtherText, Guid, Null } Type;
  UINT64 Value = 0;
  const char *Text = nullptr;
};
Slot N(UINT64 Value) { return {Slot::Integer, Value}; }
Slot Own(const char *Text) { return {Slot::OwnText, 0, Text}; }
Slot Ascii(const char *Text) { return {Slot::AsciiText, 0, Text}; }
Slot Other(const char *Text) { return {Slot::OtherText, 0, Text}; }
const Slot kGuid{Slot::Guid};
const Slot kNull{Slot::Null};

// EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9
const EFI_GUID kSetupGuid = {0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}};

struct Case {
  const char *Format;
  UINT64 Size;
  std::vector<Slot> Args;
  std::string Expected;  // also gives the expected result: its length
};

constexpr UINT64 kPage = 1024;
constexpr UINTN kBufferLength = 4096;
constexpr UINT16 kUntouched = 0x7E;

template <typename Char>
std::basic_string<Char> InWidth(const char *Text) {
  std::basic_string<Char> Result;
  for (; *Text != 0; ++Text) {
    Result.push_back(static_cast<Char>(static_cast<UINT8>(*Text)));
  }
  return Result;
}

std::string ToNarrow(const CHAR16 *Text) {
  std::string Result;
  for (; *Text != 0; ++Text) {
    EXPECT_LE(*Text, 0xFF) << "character beyond 8 bits";
    Result.push_back(static_cast<char>(*Text));
  }
  return Result;
}
std::string ToNarrow(const CHAR8 *Text) { return Text; }

INT64 Call(CHAR8 *Buffer, UINT64 Size, const CHAR8 *Format, const UINT64 *S) {
  return FormatAscii(Buffer, Size, Format, S[0], S[1], S[2], S[3]);
}
INT64 Call(CHAR16 *Buffer, UINT64 Size, const CHAR16 *Format, const UINT64 *S) {
  return FormatWide(Buffer, Size, Format, S[0], S[1], S[2], S[3]);
}

// Renders Case with the engine of width Char and checks the result count, the terminator
// and that nothing past the terminator was touched; returns the text as 8-bit.
template <typename Char>
std::string Render(const Case &Test) {
  using Other = std::conditional_t<sizeof(Char) == 1, CHAR16, CHAR8>;
  std::deque<std::basic_string<Char>> Own;  // a deque keeps each text where it is
  std::deque<std::string> Ascii;
  std::deque<std::basic_string<Other>> Others;
  UINT64 Slots[4] = {};
  for (size_t Index = 0; Index < Test.Args.size(); ++Index) {
    const Slot &Arg = Test.Args[Index];
    const void *Pointer = nullptr;
    switch (Arg.Type) {
      case Slot::Integer: Slots[Index] = Arg.Value; continue;
      case Slot::OwnText: Pointer = Own.emplace_back(InWidth<Char>(Arg.Text)).c_str(); break;
      case Slot::AsciiText: Pointer = Ascii.emplace_back(Arg.Text).c_str(); break;
      case Slot::OtherText: Pointer = Others.emplace_back(InWidth<Other>(Arg.Text)).c_str(); break;
      case Slot::Guid: Pointer = &kSetupGuid; break;
      case Slot::Null: break;
    }
    Slots[Index] = reinterpret_cast<uintptr_t>(Pointer);
  }
  std::vector<Char> Buffer(kBufferLength, static_cast<Char>(kUntouched));
  INT64 Result = Call(Buffer.data(), Test.Size, InWidth<Char>(Test.Format).c_str(), Slots);
  EXPECT_EQ(Result, static_cast<INT64>(Test.Expected.size()));
  if (Result < 0 || static_cast<UINTN>(Result) >= kBufferLength) {
    return "<result out of range>";
  }
  EXPECT_EQ(Buffer[Result], 0);
  for (UINTN Index = Result + 1; Index < kBufferLength; ++Index) {
    EXPECT_EQ(Buffer[Index], kUntouched) << "written past the terminator at " << Index;
  }
  return ToNarrow(Buffer.data());
}

const Case kCases[] = {
    // The formats of the pages.
    {"%d kB x %i", kPage, {N(256), N(8)}, "256 kB x 8"},
    {"IO=%Xh; IRQ=%d;", kPage, {N(0x2F8), N(3)}, "IO=2F8h; IRQ=3;"},
    {"%02x.%02x", kPage, {N(1), N(0x2A)}, "01.2a"},
    {"%4d MB", kPage, {N(512)}, " 512 MB"},
    {"%08x", kPage, {N(255)}, "000000ff"},
    {"%02X-%02X", kPage, {N(0xAB), N(5)}, "AB-05"},
    // Integers: sign, slot width, "l", padding.
    {"%05d", kPage, {N(-42)}, "00-42"},
    {"%d", kPage, {N(0)}, "0"},
    {"%i", kPage, {N(-7)}, "-7"},
    {"%x", kPage, {N(-1)}, "ffffffff"},
    {"%lx", kPage, {N(-1)}, "ffffffffffffffff"},
    {"%lX", kPage, {N(0x123456789ABCDEF0)}, "123456789ABCDEF0"},
    {"%d", kPage, {N(0x80000000)}, "-2147483648"},
    {"%d", kPage, {N(0x100000005)}, "5"},
    {"%x", kPage, {N(0x1FFFFFFFF)}, "ffffffff"},
    {"%ld", kPage, {N(0x8000000000000000)}, "-9223372036854775808"},
    {"%li", kPage, {N(0x7FFFFFFFFFFFFFFF)}, "9223372036854775807"},
    {"%3d", kPage, {N(12345)}, "12345"},
    {"% 3d", kPage, {N(7)}, "  7"},
    {"%*d", kPage, {N(6), N(42)}, "    42"},
    {"%0*x", kPage, {N(4), N(10)}, "000a"},
    {"%-5d", kPage, {N(42)}, "42"},
    {"%*d", kPage, {N(-3), N(42)}, "42"},
    // Characters, GUIDs and statuses; width applies to integers only.
    {"%c%c", kPage, {N('O'), N('K')}, "OK"},
    {"%g", kPage, {kGuid}, "ec87d643-eba4-4bb5-a1e5-3f3e36b20da9"},
    {"%G", kPage, {kGuid}, "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9"},
    {"%040g", kPage, {kGuid}, "ec87d643-eba4-4bb5-a1e5-3f3e36b20da9"},
    {"%r", kPage, {N(EFI_SUCCESS)}, "EFI_SUCCESS"},
    {"%r", kPage, {N(EFI_LOAD_ERROR)}, "EFI_LOAD_ERROR"},
    {"%r", kPage, {N(EFI_NOT_FOUND)}, "EFI_NOT_FOUND"},
    {"%r", kPage, {N(EFI_UNLOAD_IMAGE)}, "EFI_UNLOAD_IMAGE"},
    {"%r", kPage, {N(EfiErrorCode(30))}, "Status Code(0000001e)"},
    {"%r", kPage, {N(EFI_WARN_DELETE_FAILURE)}, "EFI_WARN_DELETE_FAILURE"},
    {"%r", kPage, {N(EFI_WARN_BUFFER_TOO_SMALL)}, "EFI_WARN_BUFFER_TOO_SMALL"},
    {"%r", kPage, {N(7)}, "Status Code(00000007)"},
    {"%r", kPage, {N(0x100000002)}, "Status Code(00000002)"},
    {"%r", kPage, {N(EfiErrorCode(48))}, "Status Code(00000030)"},
    {"%r", kPage, {N(kEfiErrorBit)}, "Status Code(00000000)"},
    {"%r", kPage, {N(EfiErrorCode(0x10000000E))}, "Status Code(0000000e)"},
    {"%r", kPage, {N(EfiErrorCode(0xC0000001))}, "EFI_DBE_EOF"},
    {"%r", kPage, {N(EfiErrorCode(0xC0000002))}, "EFI_DBE_BOF"},
    {"%r", kPage, {N(EfiErrorCode(0xC0000003))}, "Status Code(c0000003)"},
    // Strings of each width.
    {"%5s", kPage, {Own("ab")}, "ab"},
    {"[%a]", kPage, {Ascii("ATAPI")}, "[ATAPI]"},
    {"[%S]", kPage, {Other("ATAPI")}, "[ATAPI]"},
    {"%s|%a|%S", kPage, {kNull, kNull, kNull}, "<null>|<null>|<null>"},
    {"%g %G", kPage, {kNull, kNull}, "<null> <null>"},
    // Literal and unrecognised directives.
    {"100%%", kPage, {}, "100%"},
    {"%q", kPage, {}, "q"},
    {"%5q", kPage, {}, "q"},
    {"%ls%d", kPage, {N(7)}, "s7"},
    {"ab%", kPage, {}, "ab"},
    // Cutting at the size, also inside a number, a GUID or a status.
    {"%s", 5, {Own("ABCDEFG")}, "ABCD"},
    {"%d", 1, {N(5)}, ""},
    {"ab%dcd", 5, {N(12345)}, "ab12"},
    {"%08x", 5, {N(255)}, "0000"},
    {"%5d", 3, {N(42)}, "  "},
    {"%4294967297d", 5, {N(7)}, "    "},  // the width saturates instead of wrapping to 1
    {"%s", 2, {kNull}, "<"},
    {"[%S]", 4, {Other("ATAPI")}, "[AT"},
    {"%g", 10, {kGuid}, "ec87d643-"},
    {"%G", 10, {kGuid}, "EC87D643-"},
    {"x%G", 2, {kGuid}, "x"},
    {"%r", 6, {N(EFI_NOT_FOUND)}, "EFI_N"},
    {"%r", 14, {N(7)}, "Status Code(0"},
    {"%r%d", 14, {N(EFI_NOT_FOUND), N(42)}, "EFI_NOT_FOUND"},
    {"%r%d", 16, {N(EFI_NOT_FOUND), N(42)}, "EFI_NOT_FOUND42"},
    {"%g|%d", 0, {kGuid, N(-1)}, "ec87d643-eba4-4bb5-a1e5-3f3e36b20da9|-1"},
};

TEST(FormatDirectives, BothEnginesRenderEveryCase) {
  for (const Case &Test : kCases) {
    SCOPED_TRACE(std::string("format \"") + Test.Format + "\" size " + std::to_string(Test.Size));
    EXPECT_EQ(Render<CHAR8>(Test), Test.Expected) << "8-bit engine";
    EXPECT_EQ(Render<CHAR16>(Test), Test.Expected) << "16-bit engine";
  }
}

TEST(FormatDirectives, SizeZeroDoesNotLimit) {
  std::string Long(3000, 'x');
  std::vector<CHAR8> Buffer(2 * Long.size() + 8);
  EXPECT_EQ(FormatAscii(Buffer.data(), 0, "%a%a", Long.c_str(), Long.c_str()), 6000);
  EXPECT_EQ(FormatAsciiUnbounded(Buffer.data(), "%a-%d", Long.c_str(), 42), 3003);
  EXPECT_EQ(std::string(Buffer.data()), Long + "-42");
}

TEST(FormatDirectives, NullBufferOrFormatWritesNothing) {
  CHAR8 Ascii[4] = {'~', '~', '~', '~'};
  CHAR16 Wide[4] = {u'~', u'~', u'~', u'~'};
  EXPECT_EQ(FormatAscii(nullptr, 4, "x"), -1);
  EXPECT_EQ(FormatAscii(Ascii, 4, nullptr), -1);
  EXPECT_EQ(FormatWide(nullptr, 4, u"x"), -1);
  EXPECT_EQ(FormatWide(Wide, 4, nullptr), -1);
  EXPECT_EQ(Ascii[0], '~');
  EXPECT_EQ(Wide[0], u'~');
}

// Where the engines differ: the width of "%c", narrowing by "%S", widening by "%a".
TEST(FormatDirectives, WidthConversions) {
  CHAR8 Ascii[16];
  CHAR16 Wide[16];
  EXPECT_EQ(FormatAscii(Ascii, 16, "%c", 0x141), 1);
  EXPECT_EQ(Ascii[0], 'A');
  EXPECT_EQ(FormatWide(Wide, 16, u"%c", 0x10141), 1);
  EXPECT_EQ(std::u16string(Wide), u"\u0141");
  EXPECT_EQ(FormatAscii(Ascii, 16, "%S", u"\u0141\u4E2D"), 2);
  EXPECT_EQ(std::string(Ascii), "A-");
  EXPECT_EQ(FormatWide(Wide, 16, u"%a|%S", "\xE9t\xE9\x80Zz", "\xFF"), 8);
  EXPECT_EQ(std::u16string(Wide), u"\u00E9t\u00E9\u0080Zz|\u00FF");
  EXPECT_EQ(FormatWide(Wide, 16, u"%s\u00B0C", u"\u4E2D"), 3);
  EXPECT_EQ(std::u16string(Wide), u"\u4E2D\u00B0C");
}

TEST(FormatDirectives, GuidInsidePackedRecordIsReadBytewise) {
  UINT8 Record[1 + sizeof(EFI_GUID)] = {0xFF};
  const UINT8 *Bytes = reinterpret_cast<const UINT8 *>(&kSetupGuid);
  std::copy(Bytes, Bytes + sizeof(EFI_GUID), Record + 1);
  CHAR8 Text[40];
  EXPECT_EQ(FormatAscii(Text, sizeof(Text), "%G", Record + 1), 36);
  EXPECT_EQ(std::string(Text), "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9");
}

}  // namespace
