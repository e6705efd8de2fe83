// The engine's exported helpers: integer parsing, digit conversion, upper-casing.
#include <gtest/gtest.h>

#include <string>

#include "format/format.h"

namespace {

struct ParseCase {
  const char *Text;
  UINT32 Base;
  INT32 Value;
  size_t EndAt;  // characters consumed
};

const ParseCase kParseCases[] = {
    {"0x1F", 0, 31, 4},
    {"0X1f", 0, 31, 4},
    {"017", 0, 15, 3},
    {"0", 0, 0, 1},
    {"  -12", 0, -12, 5},
    {"\t+7", 0, 7, 3},
    {"2147483647", 0, 2147483647, 10},
    {"2147483648", 0, 2147483647, 10},
    {"-2147483648", 0, INT32_MIN, 11},
    {"-2147483649", 0, INT32_MIN, 11},
    // Past 32 bits the value must not wrap round to a small number.
    {"4294967301", 10, 2147483647, 10},
    {"-4294967297", 10, INT32_MIN, 11},
    {"18446744073709551621", 10, 2147483647, 20},
    {"12abc", 10, 12, 2},
    {"0x1F", 16, 0, 1},
    {"zZ", 36, 35 * 36 + 35, 2},
    {"7", 100, 7, 1},
    {"  ", 10, 0, 2},
    {"-", 10, 0, 1},
    {"", 0, 0, 0},
};

template <typename Char>
void ExpectParse(const ParseCase &Test) {
  std::basic_string<Char> Text;
  for (const char *Cursor = Test.Text; *Cursor != 0; ++Cursor) {
    Text.push_back(static_cast<Char>(*Cursor));
  }
  const VOID *End = nullptr;
  EXPECT_EQ(ParseInteger(Text.c_str(), &End, Test.Base, sizeof(Char)), Test.Value);
  EXPECT_EQ(static_cast<const Char *>(End) - Text.c_str(), static_cast<ptrdiff_t>(Test.EndAt));
}

TEST(ParseInteger, EightAndSixteenBitText) {
  for (const ParseCase &Test : kParseCases) {
    SCOPED_TRACE(std::string("\"") + Test.Text + "\" base " + std::to_string(Test.Base));
    ExpectParse<CHAR8>(Test);
    ExpectParse<CHAR16>(Test);
  }
}

TEST(ParseInteger, NullTextEndAndZeroStep) {
  const VOID *End = &End;
  EXPECT_EQ(ParseInteger(nullptr, &End, 0, 1), 0);
  EXPECT_EQ(End, nullptr);
  EXPECT_EQ(ParseInteger("42", nullptr, 0, 1), 42);
  // Step 0 reads 8-bit text, as step 1 does.
  const char *Text = "-0x2A!";
  EXPECT_EQ(ParseInteger(Text, &End, 0, 0), -42);
  EXPECT_EQ(End, Text + 5);
}

struct DigitsCase {
  INT64 Value;
  UINT32 Base;
  BOOLEAN Long;
  const char *Text;
};

const DigitsCase kDigitsCases[] = {
    {0, 10, false, "0"},
    {-42, 10, false, "-42"},
    {INT64_MIN, 10, true, "-9223372036854775808"},
    {-1, 16, false, "ffffffff"},
    {-1, 16, true, "ffffffffffffffff"},
    {0x1234ABCDEF, 16, false, "1234abcdef"},
    {1234, 0, false, "1234"},
    // Each side of a power of ten (digits are counted before they are written).
    {9, 10, false, "9"},
    {10, 10, false, "10"},
    {99, 10, false, "99"},
    {100, 10, false, "100"},
    {-999999999, 10, false, "-999999999"},
    {1000000000, 10, false, "1000000000"},
    {999999999999999999, 10, true, "999999999999999999"},
    {1000000000000000000, 10, true, "1000000000000000000"},
    {INT64_MAX, 10, true, "9223372036854775807"},
    {0xF, 16, false, "f"},
    {0x10, 16, false, "10"},
    {0x7FFFFFFFFFFFFFFF, 16, true, "7fffffffffffffff"},
};

TEST(ValueToDigits, ReversedReadingOrderAndWide) {
  for (const DigitsCase &Test : kDigitsCases) {
    SCOPED_TRACE(Test.Text);
    CHAR8 Scratch[kDigitScratchSize];
    const CHAR8 *Last = ValueToReversedDigits(Test.Value, Scratch, Test.Base, Test.Long);
    std::string Reading(Test.Text);
    EXPECT_EQ(std::string(Scratch), std::string(Reading.rbegin(), Reading.rend()));
    EXPECT_EQ(Last, Scratch + Reading.size() - 1);
    EXPECT_EQ(std::string(ValueToAsciiDigits(Test.Value, Scratch, Test.Base, Test.Long)), Reading);
    CHAR16 Wide[kDigitScratchSize];
    EXPECT_EQ(std::u16string(ValueToWideDigits(Test.Value, Wide, Test.Base, Test.Long)),
              std::u16string(Reading.begin(), Reading.end()));
  }
}

TEST(UpperCase, OnlyLettersAToZ) {
  CHAR8 Ascii[] = "`az{@AZ[09-\xE9";
  EXPECT_EQ(std::string(UpperCaseAscii(Ascii)), "`AZ{@AZ[09-\xE9");
  CHAR16 Wide[] = u"`az{\u0161\u0061";
  EXPECT_EQ(std::u16string(UpperCaseWide(Wide)), u"`AZ{\u0161A");
}

}  // namespace
