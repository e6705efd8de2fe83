#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driver/platform/firmware_services.h"

namespace {

INT64 ReferenceCompare(const UINT8 *a, const UINT8 *b, size_t length) {
  for (size_t i = 0; i < length; i++) {
    if (a[i] != b[i]) {
      return (INT64)(INT8)a[i] - (INT64)(INT8)b[i];
    }
  }
  return 0;
}

TEST(MemCompare, FirstDifferenceAsSignedBytes) {
  struct Case {
    std::vector<UINT8> first, second;
    INT64 expected;
  } cases[] = {
      {{0x61, 0x62, 0x67}, {0x61, 0x62, 0x68}, -1},
      {{0x80}, {0x01}, -129},
      {{0x01}, {0x80}, 129},
      {{1, 2, 3}, {1, 2, 3}, 0},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(MemCompare(c.first.data(), c.second.data(), c.first.size()), c.expected);
  }
}

// The word loop must find the same first difference as a byte loop, whatever the
// operands' offsets within a word and wherever the difference lies.
TEST(MemCompare, WordLoopAgreesWithByteLoop) {
  alignas(8) UINT8 a[64], b[64];
  for (size_t offsetA = 0; offsetA < 8; offsetA++) {
    for (size_t offsetB = 0; offsetB < 8; offsetB++) {
      for (size_t length : {0, 7, 8, 9, 17, 40}) {
        for (size_t differAt = 0; differAt <= length; differAt++) {
          for (size_t i = 0; i < 48; i++) {
            a[offsetA + i] = b[offsetB + i] = static_cast<UINT8>(i * 37);
          }
          b[offsetB + differAt] ^= 0x90;
          EXPECT_EQ(MemCompare(a + offsetA, b + offsetB, length), ReferenceCompare(a + offsetA, b + offsetB, length))
              << offsetA << " " << offsetB << " " << length << " " << differAt;
        }
      }
    }
  }
}

// Overlapping moves in both directions, at every distance and alignment.
TEST(MemMove, OverlapEitherWay) {
  for (size_t length = 0; length <= 21; length++) {
    for (int shift = -9; shift <= 9; shift++) {
      for (size_t base = 12; base < 16; base++) {
        UINT8 buffer[64], expected[64];
        for (size_t i = 0; i < sizeof buffer; i++) {
          buffer[i] = expected[i] = static_cast<UINT8>(i + 1);
        }
        std::memmove(expected + base + shift, expected + base, length);
        MemMove(buffer + base + shift, buffer + base, length);
        EXPECT_EQ(std::memcmp(buffer, expected, sizeof buffer), 0) << length << " " << shift << " " << base;
      }
    }
  }
}

TEST(MemFill, StoresTheLowByteExactlyOverTheRange) {
  for (size_t length = 0; length <= 13; length++) {
    for (size_t offset = 0; offset < 4; offset++) {
      alignas(4) UINT8 buffer[24];
      std::memset(buffer, 0x11, sizeof buffer);
      MemFill(buffer + offset, length, 0x3A5);
      for (size_t i = 0; i < sizeof buffer; i++) {
        bool inside = i >= offset && i < offset + length;
        EXPECT_EQ(buffer[i], inside ? 0xA5 : 0x11) << length << " " << offset << " " << i;
      }
    }
  }
}

TEST(AsciiStrCmp, SignedDifferenceAtTheFirstMismatch) {
  struct Case {
    const char *first, *second;
    INTN expected;
  } cases[] = {
      {"abc", "abc", 0}, {"abc", "abd", -1}, {"ab", "abc", -'c'}, {"abc", "ab", 'c'}, {"\x80", "\x01", -129},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(AsciiStrCmp(c.first, c.second), c.expected) << c.first << " " << c.second;
  }
}

TEST(StrLen, CountsUpToTheFirstZeroAndReadsNoFurther) {
  // Each text is followed by a byte that is not zero: a count that starts past
  // the first character runs on over an empty text's terminator.
  struct Case {
    const char *text;
    UINTN length;
  } cases[] = {{"\0x", 0}, {"a\0x", 1}, {"abc\0x", 3}};
  for (const Case &c : cases) {
    EXPECT_EQ(AsciiStrLen(c.text), c.length) << c.text;
    std::vector<CHAR16> wide(c.text, c.text + c.length + 2);
    EXPECT_EQ(WideStrLen(wide.data()), c.length) << c.text;
  }
}

TEST(AsciiEqual3, ComparesThreeBytesPastAZero) {
  struct Case {
    const char *first, *second;
    bool equal;
  } cases[] = {
      {"GHz", "GHz", true}, {"GHz", "MHz", false}, {"a\0c", "a\0d", false}, {"GHzX", "GHzY", true},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(AsciiEqual3(c.first, c.second), c.equal) << c.first << " " << c.second;
  }
}

}  // namespace
