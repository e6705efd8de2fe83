#include "published_lists.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The table is module state, as in the companion image: each test forgets what it added.
class PublishedLists : public testing::Test {
 protected:
  PublishedList *Add(const PackageListSeed *seed) {
    PublishedList *list = AddPublishedList(seed, nullptr);
    if (list != nullptr) {
      list->HiiHandle = reinterpret_cast<UEFI_HII_HANDLE>(0x1000 + added_.size());
      added_.push_back(list);
    }
    return list;
  }
  void TearDown() override {
    for (PublishedList *list : added_) {
      if (list->Handle != 0) ForgetPublishedList(list);
    }
  }
  std::vector<PublishedList *> added_;
};

TEST_F(PublishedLists, HandlesAreNewEachTimeAndMapBackToTheirLists) {
  PublishedList *main = Add(&kPackageListSeeds[0]);
  PublishedList *chipset = Add(&kPackageListSeeds[1]);
  ASSERT_NE(main, nullptr);
  ASSERT_NE(chipset, nullptr);
  EXPECT_NE(main->Handle, 0);
  EXPECT_GT(chipset->Handle, main->Handle);
  EXPECT_EQ(FindPublishedHandle(main->Handle), main);
  EXPECT_EQ(FindPublishedHandle(chipset->Handle)->HiiHandle, chipset->HiiHandle);
  EXPECT_EQ(FindPublishedHandle(0), nullptr);

  const EFI_HII_HANDLE removed = chipset->Handle;
  ForgetPublishedList(chipset);
  EXPECT_EQ(FindPublishedHandle(removed), nullptr);
  PublishedList *again = Add(&kPackageListSeeds[1]);
  ASSERT_NE(again, nullptr);
  EXPECT_GT(again->Handle, removed) << "a removed list's handle is not given out again";
}

TEST_F(PublishedLists, ClassLookupFindsTheEarliestListStillRegistered) {
  PublishedList *first = Add(&kPackageListSeeds[0]);
  PublishedList *second = Add(&kPackageListSeeds[0]);
  EXPECT_EQ(FindPublishedClass(1), first);
  ForgetPublishedList(first);
  EXPECT_EQ(FindPublishedClass(1), second);
  EXPECT_EQ(FindPublishedClass(4), nullptr);
}

TEST_F(PublishedLists, EachListsConfigAccessLeadsBackToItWhilePublished) {
  PublishedList *main = Add(&kPackageListSeeds[0]);
  PublishedList *chipset = Add(&kPackageListSeeds[1]);
  EXPECT_EQ(FindPublishedAccess(&main->ConfigAccess), main);
  EXPECT_EQ(FindPublishedAccess(&chipset->ConfigAccess), chipset);
  const EFI_HII_CONFIG_ACCESS_PROTOCOL stranger{};
  EXPECT_EQ(FindPublishedAccess(&stranger), nullptr);
  EXPECT_EQ(FindPublishedAccess(nullptr), nullptr);
  ForgetPublishedList(chipset);
  EXPECT_EQ(FindPublishedAccess(&chipset->ConfigAccess), nullptr) << "a removed list answers no more presses";
}

TEST_F(PublishedLists, FullTableRefusesAnotherList) {
  while (Add(&kPackageListSeeds[0]) != nullptr) {
  }
  EXPECT_GE(added_.size(), 7u) << "room for the seven setup lists";
  EXPECT_EQ(AddPublishedList(&kPackageListSeeds[0], nullptr), nullptr);
  ForgetPublishedList(added_.back());
  EXPECT_NE(Add(&kPackageListSeeds[0]), nullptr) << "a forgotten slot is used again";
}

}  // namespace
