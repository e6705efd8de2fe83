#include <gtest/gtest.h>

#include "driver/uefi/setup_platform_protocols.h"
#include "driver/uefi/uefi_tables.h"

// The static assertions in the headers pin the layouts; these cases pin the
// status arithmetic the callers rely on.
TEST(UefiStatus, ErrorBitDecidesFailure) {
  struct Case {
    EFI_STATUS status;
    bool error;
  } cases[] = {
      {EFI_SUCCESS, false},          {EFI_WARN_BUFFER_TOO_SMALL, false}, {EFI_NOT_FOUND, true},
      {0xC000000000000000ULL, true}, {EFI_BUFFER_TOO_SMALL, true},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(EfiError(c.status), c.error) << std::hex << c.status;
  }
  EXPECT_EQ(EFI_UNSUPPORTED, 0x8000000000000003ULL);
  EXPECT_EQ(EFI_OUT_OF_RESOURCES, 0x8000000000000009ULL);
}
