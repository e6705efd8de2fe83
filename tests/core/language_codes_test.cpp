#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "driver/core/language_codes.h"
#include "tests/core/fake_boot_services.h"

namespace {

TEST(Iso639ToRfc4646, LooksUpTheFirstThreeBytes) {
  struct Case {
    const char *code;
    const char *tag;  // null: no pair
  } cases[] = {
      {"eng", "en-US"}, {"engX", "en-US"},  // only three bytes count
      {"fra", nullptr}, {"ENG", nullptr},   {"en\0", nullptr},
  };
  for (const Case &c : cases) {
    UINTN size = 99;
    const CHAR8 *tag = Iso639ToRfc4646(c.code, &size);
    if (c.tag == nullptr) {
      EXPECT_EQ(tag, nullptr) << c.code;
      EXPECT_EQ(size, 99u) << "size untouched without a pair: " << c.code;
    } else {
      ASSERT_NE(tag, nullptr) << c.code;
      EXPECT_STREQ(tag, c.tag);
      EXPECT_EQ(size, std::strlen(c.tag) + 1);
    }
  }
  EXPECT_EQ(Iso639ToRfc4646(nullptr, nullptr), nullptr);
  EXPECT_STREQ(Iso639ToRfc4646("eng", nullptr), "en-US");
}

TEST(Rfc4646ToIso639, MatchesTheWholeTag) {
  struct Case {
    const char *tag;
    const char *code;
  } cases[] = {
      {"en-US", "eng"}, {"en-US-x", nullptr}, {"en", nullptr}, {"", nullptr}, {"fr-FR", nullptr},
  };
  for (const Case &c : cases) {
    UINTN size = 99;
    const CHAR8 *code = Rfc4646ToIso639(c.tag, &size);
    if (c.code == nullptr) {
      EXPECT_EQ(code, nullptr) << c.tag;
      EXPECT_EQ(size, 99u) << c.tag;
    } else {
      ASSERT_NE(code, nullptr) << c.tag;
      EXPECT_EQ(std::string(code, 3), c.code);
      EXPECT_EQ(size, 3u);
    }
  }
  EXPECT_EQ(Rfc4646ToIso639(nullptr, nullptr), nullptr);
}

// The list conversion sizes its buffer by kRfc4646ListBytesPerCode per code.
TEST(LanguagePairTable, EveryTagFitsItsListRoom) {
  size_t pairs = 0;
  for (; LanguagePairTable.Iso639Codes[pairs] != nullptr; ++pairs) {
    ASSERT_NE(LanguagePairTable.Rfc4646Tags[pairs], nullptr) << "lists are parallel";
    EXPECT_EQ(std::strlen(LanguagePairTable.Iso639Codes[pairs]), 3u);
    EXPECT_LT(std::strlen(LanguagePairTable.Rfc4646Tags[pairs]) + 1, kRfc4646ListBytesPerCode);
  }
  EXPECT_EQ(LanguagePairTable.Rfc4646Tags[pairs], nullptr) << "lists are parallel";
}

TEST(Iso639ListToRfc4646List, ConvertsWholeGroupsWithPairs) {
  struct Case {
    std::string codes;
    std::optional<std::string> list;  // with its terminator; nullopt: null result
    std::optional<UINTN> size;        // nullopt: size untouched
  } cases[] = {
      {"eng", std::string("en-US\0", 6), 6},
      {"engfra", std::string("en-US\0", 6), 6},   // fra has no pair
      {"fraeng", std::string("en-US\0", 6), 6},
      {"engeng", std::string("en-US;en-US\0", 12), 12},
      {"engf", std::string("en-US\0", 6), 6},     // only whole groups
      {"fraen", std::nullopt, 0},                // nothing converts
      {"fra", std::nullopt, 0},
      {"en", std::nullopt, std::nullopt},        // shorter than one code
      {std::string("\0eng", 4), std::nullopt, std::nullopt},
  };
  FakeBootServices boot;
  for (const Case &c : cases) {
    UINTN size = 99;
    CHAR8 *list = Iso639ListToRfc4646List(c.codes.data(), c.codes.size(), &size);
    if (c.list) {
      ASSERT_NE(list, nullptr) << c.codes;
      EXPECT_EQ(std::string(list, size), *c.list) << c.codes;
      gBS->FreePool(list);
    } else {
      EXPECT_EQ(list, nullptr) << c.codes;
    }
    EXPECT_EQ(size, c.size.value_or(99)) << c.codes;
    EXPECT_EQ(boot.OutstandingBlocks(), 0u) << c.codes;
  }
  EXPECT_EQ(Iso639ListToRfc4646List(nullptr, 3, nullptr), nullptr);
}

TEST(Iso639ListToRfc4646List, FailedAllocationYieldsNoList) {
  FakeBootServices boot;
  boot.failAllocations = true;
  UINTN size = 99;
  EXPECT_EQ(Iso639ListToRfc4646List("eng", 3, &size), nullptr);
  EXPECT_EQ(size, 99u);
}

}  // namespace
