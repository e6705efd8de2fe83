#include "string_package.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fake_pool.h"
#include "platform/firmware_services.h"

// The seeds this binary's lists come from (the images get theirs generated from boards/).
static const PackageStringSeed kMainStrings[] = {{2, u"Unknown"}, {5, u"\u00B0C"}, {7, u"last"}};
// A form package as the generator emits it: header (9 bytes, type 2), then opcodes.
static const UINT8 kMainForms[] = {0x09, 0x00, 0x00, 0x02, 0x0E, 0x85, 0x00, 0x29, 0x02};
const PackageListSeed kPackageListSeeds[] = {
    {1, u"eng", u"", 1, 687, nullptr, 0, kMainStrings, 3, kMainForms, sizeof kMainForms, 8},
    {4, u"eng", u"", 1, 687, nullptr, 0, nullptr, 0, nullptr, 0, 0},
};
const UINTN kPackageListSeedCount = 2;

namespace {

class StringPackage : public testing::Test {
 protected:
  void SetUp() override {
    fake_pool::Install();
    outstanding_ = fake_pool::Outstanding();
  }
  void TearDown() override {
    fake_pool::FailAllocations(false);
    EXPECT_EQ(fake_pool::Outstanding(), outstanding_) << "every block is released";
  }
  size_t outstanding_ = 0;
};

constexpr EFI_GUID kListGuid = {0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}};

uint32_t Read32(const uint8_t *at) {
  uint32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// Reads the list back as the HII database would: the form package when there is
// one, the string package's strings by id (counting from 1, one per UCS-2 block),
// its language, and the end package.
struct ParsedList {
  std::vector<uint8_t> forms;
  std::string language;
  std::map<uint16_t, std::u16string> strings;
  bool endPackage = false;
};

ParsedList Parse(const EFI_HII_PACKAGE_LIST_HEADER *list) {
  ParsedList parsed;
  const uint8_t *base = reinterpret_cast<const uint8_t *>(list);
  const uint8_t *package = base + sizeof(EFI_HII_PACKAGE_LIST_HEADER);
  if (Read32(package) >> 24 == 0x02) {
    const uint32_t formLength = Read32(package) & 0xFFFFFF;
    parsed.forms.assign(package, package + formLength);
    package += formLength;
  }
  const uint32_t header = Read32(package);
  EXPECT_EQ(header >> 24, EFI_HII_PACKAGE_STRINGS);
  const uint32_t packageLength = header & 0xFFFFFF;
  const uint32_t hdrSize = Read32(package + 4);
  EXPECT_EQ(Read32(package + 8), hdrSize) << "strings start right after the header";
  parsed.language = reinterpret_cast<const char *>(package + sizeof(EFI_HII_STRING_PACKAGE_HDR));
  EXPECT_EQ(hdrSize, sizeof(EFI_HII_STRING_PACKAGE_HDR) + parsed.language.size() + 1);
  const uint8_t *block = package + hdrSize;
  uint16_t id = 1;
  while (*block == EFI_HII_SIBT_STRING_UCS2) {
    std::u16string text;
    const uint8_t *at = block + 1;
    for (char16_t unit; std::memcpy(&unit, at, 2), unit != 0; at += 2) text += unit;
    parsed.strings[id++] = text;
    block = at + 2;
  }
  EXPECT_EQ(*block, EFI_HII_SIBT_END);
  EXPECT_EQ(static_cast<uint32_t>(block + 1 - package), packageLength);
  const uint32_t end = Read32(block + 1);
  parsed.endPackage = end >> 24 == EFI_HII_PACKAGE_END && (end & 0xFFFFFF) == 4;
  EXPECT_EQ(block + 1 + 4 - base, static_cast<ptrdiff_t>(list->PackageLength));
  return parsed;
}

TEST_F(StringPackage, GivesEachSeedStringTheDriversIdAndFillsTheGaps) {
  EFI_HII_PACKAGE_LIST_HEADER *list = BuildPackageList(&kPackageListSeeds[0], &kListGuid);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(std::memcmp(&list->PackageListGuid, &kListGuid, sizeof kListGuid), 0);
  const ParsedList parsed = Parse(list);
  EXPECT_EQ(parsed.language, "en-US");
  const std::map<uint16_t, std::u16string> expected = {{1, u""}, {2, u"Unknown"}, {3, u""}, {4, u""},
                                                       {5, u"\u00B0C"}, {6, u""},   {7, u"last"}};
  EXPECT_EQ(parsed.strings, expected);
  EXPECT_EQ(parsed.forms, std::vector<uint8_t>(std::begin(kMainForms), std::end(kMainForms)))
      << "the form package goes in whole, ahead of the strings";
  EXPECT_TRUE(parsed.endPackage);
  gBS->FreePool(list);
}

TEST_F(StringPackage, ListWithoutStringsOrFormsHoldsOnlyTheEndBlock) {
  EFI_HII_PACKAGE_LIST_HEADER *list = BuildPackageList(&kPackageListSeeds[1], &kListGuid);
  ASSERT_NE(list, nullptr);
  const ParsedList parsed = Parse(list);
  EXPECT_TRUE(parsed.strings.empty());
  EXPECT_TRUE(parsed.forms.empty());
  EXPECT_TRUE(parsed.endPackage);
  gBS->FreePool(list);
}

TEST_F(StringPackage, ExhaustedPoolGivesNoList) {
  fake_pool::FailAllocations(true);
  EXPECT_EQ(BuildPackageList(&kPackageListSeeds[0], &kListGuid), nullptr);
}

TEST(PackageListSeeds, FindsListsAndStringsByNumber) {
  EXPECT_EQ(FindPackageListSeed(4), &kPackageListSeeds[1]);
  EXPECT_EQ(FindPackageListSeed(2), nullptr);
  const PackageListSeed *main = &kPackageListSeeds[0];
  const struct {
    UINT16 id;
    BOOLEAN held;
  } cases[] = {{2, 1}, {5, 1}, {7, 1}, {1, 0}, {3, 0}, {6, 0}, {8, 0}, {0, 0}, {0xFFFF, 0}};
  for (const auto &c : cases) EXPECT_EQ(SeedHasString(main, c.id), c.held) << "id " << c.id;
  EXPECT_FALSE(SeedHasString(&kPackageListSeeds[1], 2));
}

}  // namespace
