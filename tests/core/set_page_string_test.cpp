#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/core/string_service.h"
#include "tests/core/fake_boot_services.h"

namespace {

struct StoredString {
  EFI_HII_HANDLE handle;
  UINT16 id;
  std::u16string text;
};
std::vector<StoredString> gStored;

EFI_STATUS EFIAPI RecordString(EFI_HII_HANDLE handle, UINT16 id, const CHAR16 *text) {
  gStored.push_back({handle, id, text});
  return EFI_SUCCESS;
}

// The service is installed in every case, so a pointer cached by an earlier case is the same one.
StringServiceProtocol gService = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, RecordString};

TEST(SetPageString, StoresTheRenderedTextCutToTheCapacity) {
  const std::u16string kLong(2000, u'x');
  struct Case {
    const CHAR16 *format;
    const CHAR16 *argument;
    std::u16string stored;
  } cases[] = {
      {u"%s", u"Mirroring", u"Mirroring"},
      {u"plain", nullptr, u"plain"},
      {u"%s", kLong.c_str(), std::u16string(kPageStringCapacity - 1, u'x')},
  };
  FakeBootServices boot;
  boot.InstallProtocol(kStringServiceProtocolGuid, &gService);
  for (const Case &c : cases) {
    gStored.clear();
    EXPECT_EQ(SetPageString(7, 824, c.format, c.argument), EFI_SUCCESS);
    ASSERT_EQ(gStored.size(), 1u);
    EXPECT_EQ(gStored[0].handle, 7);
    EXPECT_EQ(gStored[0].id, 824);
    EXPECT_EQ(gStored[0].text, c.stored);
  }
}

// A null format renders nothing: no uninitialised buffer reaches the service.
TEST(SetPageString, NullFormatStoresNothing) {
  FakeBootServices boot;
  boot.InstallProtocol(kStringServiceProtocolGuid, &gService);
  gStored.clear();
  EXPECT_TRUE(EfiError(SetPageString(7, 824, nullptr)));
  EXPECT_TRUE(gStored.empty());
}

}  // namespace
