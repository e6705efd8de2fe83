#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/core/string_service.h"
#include "tests/core/fake_boot_services.h"

// One test in its own binary: the driver keeps the service pointer once found,
// for the life of the process.
namespace {

std::vector<std::u16string> gTexts;
int gPublishCalls;

EFI_STATUS EFIAPI RecordString(EFI_HII_HANDLE, UINT16, const CHAR16 *text) {
  gTexts.push_back(text);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI RecordPublish(EFI_HANDLE, UINTN, SetupPackageEntry *, PACKAGE_LIST_CALLBACK) {
  ++gPublishCalls;
  return EFI_SUCCESS;
}

TEST(StringService, FoundWhenInstalledLateAndFedOnlyRenderedText) {
  static StringServiceProtocol service = {RecordPublish, nullptr, nullptr, nullptr, nullptr, nullptr, RecordString};
  FakeBootServices boot;
  EXPECT_EQ(SetPageString(1, 2, u"%d", 3), EFI_UNSUPPORTED);
  EXPECT_EQ(PublishPackageLists(nullptr, 0, nullptr, nullptr), EFI_UNSUPPORTED);
  EXPECT_TRUE(gTexts.empty());
  EXPECT_EQ(gPublishCalls, 0);

  boot.InstallProtocol(kStringServiceProtocolGuid, &service);
  EXPECT_EQ(SetPageString(1, 2, u"%d", 3), EFI_SUCCESS);
  EXPECT_EQ(PublishPackageLists(nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ(gPublishCalls, 1);

  const std::u16string kLong(2000, u'x');
  EXPECT_EQ(SetPageString(1, 2, u"%s", kLong.c_str()), EFI_SUCCESS);
  // A null format renders nothing, so no unwritten buffer may reach the service.
  EXPECT_TRUE(EfiError(SetPageString(1, 2, nullptr)));
  EXPECT_EQ(gTexts, (std::vector<std::u16string>{u"3", std::u16string(kPageStringCapacity - 1, u'x')}));
}

}  // namespace
