// The HII side: publishing through the string service, string changes, and
// the Framework HII members the driver calls.
#include <gtest/gtest.h>

#include <cstring>

#include "machine_test_support.h"
#include "sim/machine/machine.h"

namespace sim {
namespace {

// What the fake PackageListCallback saw.
struct Published {
  EFI_HII_HANDLE handle;
  SetupPackageEntry *entry;
  EFI_HII_HANDLE handleInEntry;
};
std::vector<Published> *gPublished;

VOID EFIAPI RecordPublished(EFI_HII_HANDLE handle, SetupPackageEntry *entry) {
  gPublished->push_back({handle, entry, entry->HiiHandle});
}

EFI_STATUS EFIAPI UnusedFormCallback(EFI_FORM_CALLBACK_PROTOCOL *, UINT16, EFI_IFR_DATA_ARRAY *,
                                     EFI_HII_CALLBACK_PACKET **) {
  return EFI_SUCCESS;
}

EFI_BOOT_SERVICES *gRaisingBs;

// A faulty form callback: it raises the TPL and returns without restoring it.
EFI_STATUS EFIAPI RaisingFormCallback(EFI_FORM_CALLBACK_PROTOCOL *, UINT16, EFI_IFR_DATA_ARRAY *,
                                      EFI_HII_CALLBACK_PACKET **) {
  gRaisingBs->RaiseTPL(TPL_NOTIFY);
  return EFI_UNSUPPORTED;
}

class HiiTest : public ::testing::Test {
 protected:
  void SetUp() override { gPublished = &published_; }
  void TearDown() override { gPublished = nullptr; }

  template <typename Protocol>
  Protocol *Locate(const EFI_GUID &guid) {
    VOID *interface = nullptr;
    bs_->LocateProtocol(const_cast<EFI_GUID *>(&guid), nullptr, &interface);
    return static_cast<Protocol *>(interface);
  }

  // Publishes classes 1, 2 (no list on this board) and 4.
  void PublishAll() {
    ASSERT_EQ(strings_->PublishPackageLists(machine_.ImageHandle(), 3, table_, RecordPublished), EFI_SUCCESS);
  }

  VariableStore store_;
  const BoardProfile profile_ = TestProfile();
  Machine machine_{profile_, store_};
  EFI_BOOT_SERVICES *bs_ = machine_.SystemTable()->BootServices;
  StringServiceProtocol *strings_ = Locate<StringServiceProtocol>(kStringServiceProtocolGuid);
  EFI_HII_PROTOCOL *hii_ = Locate<EFI_HII_PROTOCOL>(kFrameworkHiiProtocolGuid);
  FormCallbackInstance instances_[3] = {{{nullptr, nullptr, UnusedFormCallback}, 1, 0},
                                        {{nullptr, nullptr, UnusedFormCallback}, 2, 0},
                                        {{nullptr, nullptr, UnusedFormCallback}, 4, 0}};
  SetupPackageEntry table_[3] = {{&kSetupVariableGuid, &instances_[0], 1, 0, 0},
                                 {&kSetupVariableGuid, &instances_[1], 2, 0, 0},
                                 {&kSetupVariableGuid, &instances_[2], 4, 0, 0}};
  std::vector<Published> published_;
};

TEST_F(HiiTest, PublishingRegistersEachListTheBoardHasAndCallsBack) {
  PublishAll();
  ASSERT_EQ(published_.size(), 2u);
  EXPECT_EQ(published_[0].entry, &table_[0]);
  EXPECT_EQ(published_[1].entry, &table_[2]);
  for (const Published &p : published_) {
    EXPECT_NE(p.handle, 0);
    EXPECT_EQ(p.handleInEntry, p.handle);  // written into the entry before the callback
  }
  EXPECT_NE(published_[0].handle, published_[1].handle);
  EXPECT_EQ(table_[1].HiiHandle, 0);
  EXPECT_EQ(machine_.Hii().FindClass(1)->formCallback, &instances_[0]);
  EXPECT_EQ(machine_.Log().Count("package-list-published"), 2u);
  EXPECT_EQ(strings_->PublishPackageLists(machine_.ImageHandle(), 1, nullptr, RecordPublished),
            EFI_INVALID_PARAMETER);
}

TEST_F(HiiTest, SetStringAcceptsOnlyStringsOfPublishedLists) {
  PublishAll();
  const EFI_HII_HANDLE main = table_[0].HiiHandle, removable = table_[2].HiiHandle;
  struct Case {
    const char *what;
    EFI_HII_HANDLE handle;
    UINT16 id;
    const CHAR16 *text;
    EFI_STATUS status;
  };
  const Case cases[] = {
      {"string of the list", main, 10, u"Vendor X", EFI_SUCCESS},
      {"id the list lacks", main, 12, u"lost", EFI_NOT_FOUND},
      {"list without strings", removable, 10, u"lost", EFI_NOT_FOUND},
      {"unknown handle", 0x7777, 10, u"lost", EFI_INVALID_PARAMETER},
      {"handle 0", 0, 10, u"lost", EFI_INVALID_PARAMETER},
      {"null text", main, 11, nullptr, EFI_INVALID_PARAMETER},
      {"replaced again", main, 10, u"Vendor Y", EFI_SUCCESS},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(strings_->SetString(c.handle, c.id, c.text), c.status);
  }
  const std::vector<StringRecord> &accepted = machine_.Hii().Strings();
  ASSERT_EQ(accepted.size(), 2u);
  EXPECT_EQ(accepted[1].formClass, 1);
  EXPECT_EQ(accepted[1].stringId, 10);
  EXPECT_EQ(accepted[1].label, "BIOS Vendor");
  EXPECT_EQ(accepted[1].text, u"Vendor Y");
  EXPECT_EQ(*machine_.Hii().FindClass(1)->Text(10), u"Vendor Y");
  EXPECT_EQ(machine_.Log().Count("string-rejected"), 5u);
}

TEST_F(HiiTest, RemovePackTakesTheListAway) {
  PublishAll();
  const EFI_HII_HANDLE removable = table_[2].HiiHandle;
  EXPECT_EQ(hii_->RemovePack(hii_, 0), EFI_INVALID_PARAMETER);
  EXPECT_EQ(hii_->RemovePack(hii_, 0x7777), EFI_NOT_FOUND);
  EXPECT_EQ(hii_->RemovePack(hii_, removable), EFI_SUCCESS);
  EXPECT_EQ(hii_->RemovePack(hii_, removable), EFI_NOT_FOUND);
  EXPECT_EQ(machine_.Hii().FindClass(4), nullptr);
  ASSERT_EQ(machine_.Log().Count("package-list-removed"), 1u);
  EXPECT_EQ(strings_->SetString(removable, 1, u"x"), EFI_INVALID_PARAMETER);

  // The menu browser has no list of that class to call back any more.
  machine_.CallFormCallback(4, 1);
  EXPECT_EQ(machine_.Log().Count("callback-skipped"), 1u);
}

TEST_F(HiiTest, LanguagesArePoolTextsTheCallerFrees) {
  PublishAll();
  const EFI_HII_HANDLE main = table_[0].HiiHandle, removable = table_[2].HiiHandle;
  const size_t before = machine_.Pool().Outstanding();
  EFI_STRING primary = nullptr, secondary = nullptr;
  ASSERT_EQ(hii_->GetPrimaryLanguages(hii_, main, &primary), EFI_SUCCESS);
  ASSERT_EQ(hii_->GetSecondaryLanguages(hii_, main, primary, &secondary), EFI_SUCCESS);
  EXPECT_EQ(std::u16string(primary), u"eng");
  EXPECT_EQ(std::u16string(secondary), u"fra");
  EXPECT_EQ(machine_.Pool().Outstanding(), before + 2);
  EXPECT_EQ(bs_->FreePool(primary), EFI_SUCCESS);
  EXPECT_EQ(bs_->FreePool(secondary), EFI_SUCCESS);

  CHAR16 untouched[1] = {};
  EFI_STRING none = untouched;
  EXPECT_EQ(hii_->GetPrimaryLanguages(hii_, removable, &none), EFI_NOT_FOUND);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(hii_->GetSecondaryLanguages(hii_, removable, nullptr, &none), EFI_NOT_FOUND);
  EXPECT_EQ(hii_->GetPrimaryLanguages(hii_, 0x7777, &none), EFI_INVALID_PARAMETER);
  EXPECT_EQ(hii_->GetPrimaryLanguages(hii_, main, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(machine_.Pool().Outstanding(), before);
}

TEST_F(HiiTest, DefaultImageIsOneBlockWithTheSetupPackBeforeTheLastNode) {
  PublishAll();
  const size_t before = machine_.Pool().Outstanding();
  EFI_HII_VARIABLE_PACK_LIST *list = nullptr;
  ASSERT_EQ(hii_->GetDefaultImage(hii_, table_[0].HiiHandle, 1, &list), EFI_SUCCESS);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(machine_.Pool().Outstanding(), before + 1);

  // First node: the Setup pack; the last node (next pointer null) follows it.
  ASSERT_NE(list->NextVariablePack, nullptr);
  EXPECT_EQ(list->NextVariablePack->NextVariablePack, nullptr);
  EFI_HII_VARIABLE_PACK pack;
  std::memcpy(&pack, list->VariablePack, sizeof pack);
  EXPECT_EQ(pack.VariableId, 0);
  EXPECT_EQ(pack.Header.Type, EFI_HII_VARIABLE);
  EXPECT_EQ(0, std::memcmp(&pack.VariableGuid, &kSetupVariableGuid, sizeof(EFI_GUID)));
  const auto *bytes = reinterpret_cast<const uint8_t *>(list->VariablePack);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t *>(bytes + sizeof pack)), u"Setup");
  const size_t dataLength = pack.Header.Length - sizeof pack - pack.VariableNameLength;
  ASSERT_EQ(dataLength, 4u);
  const uint8_t *data = bytes + sizeof pack + pack.VariableNameLength;
  EXPECT_EQ(std::vector<uint8_t>(data, data + dataLength), (std::vector<uint8_t>{1, 2, 3, 4}));

  // Everything lies in the one block the caller frees through the list head.
  EXPECT_EQ(bs_->FreePool(list), EFI_SUCCESS);
  EXPECT_EQ(machine_.Pool().Outstanding(), before);
}

TEST_F(HiiTest, DefaultImageFailures) {
  PublishAll();
  EFI_HII_VARIABLE_PACK_LIST *list = reinterpret_cast<EFI_HII_VARIABLE_PACK_LIST *>(this);
  EXPECT_EQ(hii_->GetDefaultImage(hii_, table_[2].HiiHandle, 1, &list), EFI_NOT_FOUND);  // no defaults
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(hii_->GetDefaultImage(hii_, 0x7777, 1, &list), EFI_INVALID_PARAMETER);
  EXPECT_EQ(hii_->GetDefaultImage(hii_, table_[0].HiiHandle, 1, nullptr), EFI_INVALID_PARAMETER);
}

TEST_F(HiiTest, FormCallbackRunsForThePublishedListOfItsClass) {
  PublishAll();
  gRaisingBs = bs_;
  instances_[0].Form.Callback = RaisingFormCallback;
  machine_.CallFormCallback(1, 0x3B);
  const std::vector<EventRecord> &events = machine_.Log().Events();
  ASSERT_GE(events.size(), 2u);
  const EventRecord &call = events[events.size() - 2];
  EXPECT_EQ(call.kind, "form-callback");
  EXPECT_EQ(ValueOf(call, "class"), 1u);
  EXPECT_EQ(ValueOf(call, "key"), 0x3Bu);
  EXPECT_EQ(ValueOf(call, "status"), EFI_UNSUPPORTED);
  EXPECT_EQ(events.back().kind, "tpl-misuse");
  EXPECT_EQ(machine_.Events().Current(), TPL_APPLICATION);

  machine_.CallFormCallback(2, 1);  // no list of class 2 on this board
  EXPECT_EQ(machine_.Log().Events().back().kind, "callback-skipped");
}

}  // namespace
}  // namespace sim
