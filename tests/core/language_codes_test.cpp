#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "driver/core/language_codes.h"
#include "tests/core/fake_boot_services.h"

namespace {

TEST(LanguagePairs, ConvertOnlyExactPairs) {
  struct Case {
    const char *from;
    const char *to;  // null: no pair
  } toTag[] = {{"eng", "en-US"}, {"engX", "en-US"}, {"fra", nullptr}, {"ENG", nullptr}},
    toCode[] = {{"en-US", "eng"}, {"en-US-x", nullptr}, {"en", nullptr}, {"", nullptr}};
  for (const Case &c : toTag) {
    UINTN size = 99;
    const CHAR8 *tag = Iso639ToRfc4646(c.from, &size);
    EXPECT_EQ(tag ? std::optional<std::string>(tag) : std::nullopt,
              c.to ? std::optional<std::string>(c.to) : std::nullopt) << c.from;
    EXPECT_EQ(size, c.to ? std::strlen(c.to) + 1 : 99u) << c.from;
  }
  for (const Case &c : toCode) {
    UINTN size = 99;
    const CHAR8 *code = Rfc4646ToIso639(c.from, &size);
    EXPECT_EQ(code ? std::optional<std::string>(std::string(code, 3)) : std::nullopt,
              c.to ? std::optional<std::string>(c.to) : std::nullopt) << c.from;
    EXPECT_EQ(size, c.to ? 3u : 99u) << c.from;
  }
  EXPECT_STREQ(Iso639ToRfc4646("eng", nullptr), "en-US") << "the size is optional";
  EXPECT_EQ(Iso639ToRfc4646(nullptr, nullptr), nullptr);
  EXPECT_EQ(Rfc4646ToIso639(nullptr, nullptr), nullptr);
  // The list conversion sizes its buffer by this room per code.
  for (size_t i = 0; LanguagePairTable.Rfc4646Tags[i] != nullptr; ++i) {
    EXPECT_LT(std::strlen(LanguagePairTable.Rfc4646Tags[i]) + 1, kRfc4646ListBytesPerCode);
  }
}

TEST(Iso639ListToRfc4646List, ConvertsWholeGroupsWithPairs) {
  struct Case {
    std::string codes;
    std::optional<std::string> list;  // with its terminator
    std::optional<UINTN> size;        // nullopt: size untouched
    bool failAllocation;
  } cases[] = {
      {"eng", std::string("en-US\0", 6), 6, false},
      {"engfra", std::string("en-US\0", 6), 6, false},  // fra has no pair
      {"engeng", std::string("en-US;en-US\0", 12), 12, false},
      {"engf", std::string("en-US\0", 6), 6, false},    // only whole groups
      {"fraen", std::nullopt, 0, false},               // nothing converts
      {"en", std::nullopt, std::nullopt, false},       // shorter than one code
      {std::string("\0eng", 4), std::nullopt, std::nullopt, false},
      {"eng", std::nullopt, std::nullopt, true},
  };
  for (const Case &c : cases) {
    FakeBootServices boot;
    boot.failAllocations = c.failAllocation;
    UINTN size = 99;
    CHAR8 *list = Iso639ListToRfc4646List(c.codes.data(), c.codes.size(), &size);
    EXPECT_EQ(list ? std::optional<std::string>(std::string(list, size)) : std::nullopt, c.list) << c.codes;
    EXPECT_EQ(size, c.size.value_or(99)) << c.codes;
    // The block holds room for every code's tag; nothing past the list is written.
    const size_t room = c.codes.size() / 3 * kRfc4646ListBytesPerCode;
    for (size_t at = size; list && at < room; ++at) {
      EXPECT_EQ(static_cast<uint8_t>(list[at]), FakeBootServices::kPoolFill) << c.codes << " byte " << at;
    }
    // The size is optional: the same list without it.
    CHAR8 *unsized = Iso639ListToRfc4646List(c.codes.data(), c.codes.size(), nullptr);
    EXPECT_EQ(unsized ? std::optional<std::string>(std::string(unsized, size)) : std::nullopt, c.list) << c.codes;
    for (CHAR8 *made : {list, unsized}) {
      if (made) gBS->FreePool(made);
    }
    EXPECT_EQ(boot.OutstandingBlocks(), 0u) << c.codes;
  }
  UINTN size = 99;
  EXPECT_EQ(Iso639ListToRfc4646List(nullptr, 3, &size), nullptr);
  EXPECT_EQ(size, 99u);
}

}  // namespace
