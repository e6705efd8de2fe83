#include <gtest/gtest.h>

#include "driver/core/form_callbacks.h"
#include "driver/core/page_strings.h"

namespace {

// A null entry inside the table would silently end the provider loop early.
TEST(StringInitTable, HoldsFourteenProvidersThenTheEnd) {
  for (size_t i = 0; i < kPageStringProviderCount; ++i) {
    EXPECT_NE(StringInitTable[i], nullptr) << "entry " << i + 1;
  }
  EXPECT_EQ(StringInitTable[kPageStringProviderCount], nullptr);
}

// SetupFormCallback finds the list by the instance's class, so entry and instance must agree.
TEST(SetupPackageTable, EachEntryCarriesTheInstanceOfItsClass) {
  const UINT16 kClasses[kSetupPackageCount] = {1, 2, 4, 8, 16, 32, 64};
  for (size_t i = 0; i < kSetupPackageCount; ++i) {
    const SetupPackageEntry &entry = SetupPackageTable[i];
    EXPECT_EQ(entry.Class, kClasses[i]);
    EXPECT_EQ(entry.SubClass, 0);
    ASSERT_NE(entry.CallbackInstance, nullptr);
    EXPECT_EQ(entry.CallbackInstance->Class, entry.Class);
    EXPECT_EQ(entry.CallbackInstance->SubClass, entry.SubClass);
    EXPECT_EQ(entry.CallbackInstance->Form.Callback, SetupFormCallback);
    EXPECT_EQ(entry.CallbackInstance->Form.NvRead, nullptr);
    EXPECT_EQ(entry.CallbackInstance->Form.NvWrite, nullptr);
    EXPECT_EQ(KeepPackageFlags[i], entry.Class == 4 ? 0 : 1) << "only the class-4 list is removed";
  }
  EXPECT_EQ(FormCallbackTable[kFormCallbackCount].Callback, nullptr);
}

// Every key, matched or not, is answered with success and the packet is left alone.
TEST(SetupFormCallback, AnswersEveryKeyWithSuccess) {
  EFI_HII_CALLBACK_PACKET *packet = reinterpret_cast<EFI_HII_CALLBACK_PACKET *>(0x1234);
  for (FormCallbackInstance &instance : FormCallbackInstances) {
    for (UINT16 key : {0x0000, 0x003B, 0xF013, 0xFFFF}) {
      EXPECT_EQ(SetupFormCallback(&instance.Form, key, nullptr, &packet), EFI_SUCCESS);
    }
  }
  EXPECT_EQ(packet, reinterpret_cast<EFI_HII_CALLBACK_PACKET *>(0x1234));
  EXPECT_EQ(SetupFormCallback(nullptr, 0x3B, nullptr, nullptr), EFI_SUCCESS);
}

}  // namespace
