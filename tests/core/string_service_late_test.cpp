#include <gtest/gtest.h>

#include <string>

#include "driver/core/string_service.h"
#include "tests/core/fake_boot_services.h"

// Alone in its binary: the driver keeps the service pointer once found, for the
// life of the process.
namespace {

int gCalls;
std::u16string gLastText;

EFI_STATUS EFIAPI RecordString(EFI_HII_HANDLE, UINT16, const CHAR16 *text) {
  ++gCalls;
  gLastText = text;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI RecordPublish(EFI_HANDLE, UINTN, SetupPackageEntry *, PACKAGE_LIST_CALLBACK) {
  ++gCalls;
  return EFI_SUCCESS;
}

TEST(StringService, InstalledAfterTheFirstCallIsFoundByTheNext) {
  static StringServiceProtocol service = {RecordPublish, nullptr, nullptr, nullptr, nullptr, nullptr, RecordString};
  FakeBootServices boot;
  EXPECT_EQ(LocateStringService(), nullptr);
  EXPECT_EQ(SetPageString(1, 2, u"%d", 3), EFI_UNSUPPORTED);
  EXPECT_EQ(PublishPackageLists(nullptr, 0, nullptr, nullptr), EFI_UNSUPPORTED);
  EXPECT_EQ(gCalls, 0);

  boot.InstallProtocol(kStringServiceProtocolGuid, &service);
  EXPECT_EQ(SetPageString(1, 2, u"%d", 3), EFI_SUCCESS);
  EXPECT_EQ(gLastText, u"3");
  EXPECT_EQ(PublishPackageLists(nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ(gCalls, 2);
  EXPECT_EQ(LocateStringService(), &service);
}

}  // namespace
