#include "config_access.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "activity_log.h"
#include "fake_pool.h"
#include "message_box.h"
#include "platform/firmware_services.h"
#include "published_lists.h"

namespace {

BOOLEAN gBoxesOnScreen;
BOOLEAN gBoxesOnScreenInCallback;

// The setup driver's form callback, as far as the browser's presses reach it.
std::vector<UINT16> gKeys;
EFI_STATUS EFIAPI DriverCallback(EFI_FORM_CALLBACK_PROTOCOL *, UINT16 Key, EFI_IFR_DATA_ARRAY *,
                                 EFI_HII_CALLBACK_PACKET **) {
  gKeys.push_back(Key);
  gBoxesOnScreenInCallback = gBoxesOnScreen;
  LogActivity("string-written", nullptr, u"refreshed", nullptr, 0);
  return EFI_SUCCESS;
}

// The log's records from Since on, as "kind name=value ...".
std::vector<std::string> RecordsAfter(const CompanionRecord *Since) {
  std::vector<std::string> lines;
  for (const CompanionRecord *r = Since == nullptr ? FirstActivity() : Since->Next; r != nullptr; r = r->Next) {
    std::string line = r->Kind;
    for (UINTN i = 0; i < r->ValueCount; ++i) line += " " + std::string(r->Values[i].Name) + "=" + std::to_string(r->Values[i].Value);
    lines.push_back(line);
  }
  return lines;
}

const CompanionRecord *LastRecord() {
  const CompanionRecord *last = FirstActivity();
  while (last != nullptr && last->Next != nullptr) last = last->Next;
  return last;
}

}  // namespace

void DrawMessageBoxes(BOOLEAN OnScreen) { gBoxesOnScreen = OnScreen; }

namespace {

class ConfigAccess : public testing::Test {
 protected:
  void SetUp() override {
    fake_pool::Install();  // the activity log's records stay for the rest of boot
    gKeys.clear();
    instance_.Form.Callback = DriverCallback;
    instance_.Class = 2;
    list_ = AddPublishedList(&kPackageListSeeds[0], &instance_);
    ASSERT_NE(list_, nullptr);
    list_->ConfigAccess = kListConfigAccess;
  }
  void TearDown() override { ForgetPublishedList(list_); }

  EFI_STATUS Press(const EFI_HII_CONFIG_ACCESS_PROTOCOL *This, EFI_BROWSER_ACTION Action, UINT16 Question,
                   EFI_BROWSER_ACTION_REQUEST *Request) {
    return kListConfigAccess.Callback(This, Action, Question, 0x0C, nullptr, Request);
  }

  FormCallbackInstance instance_{};
  PublishedList *list_ = nullptr;
};

TEST_F(ConfigAccess, OnlyTheChangedReportOfAPressRunsTheDriversCallback) {
  const struct {
    EFI_BROWSER_ACTION action;
    EFI_STATUS status;
    size_t calls;
  } cases[] = {{0, EFI_UNSUPPORTED, 0},      {1, EFI_SUCCESS, 1},      {2, EFI_UNSUPPORTED, 0},
               {3, EFI_UNSUPPORTED, 0},      {4, EFI_UNSUPPORTED, 0},  {0x1000, EFI_UNSUPPORTED, 0}};
  for (const auto &c : cases) {
    gKeys.clear();
    EFI_BROWSER_ACTION_REQUEST request = 7;
    EXPECT_EQ(Press(&list_->ConfigAccess, c.action, 0x3B, &request), c.status) << "action " << c.action;
    EXPECT_EQ(gKeys.size(), c.calls) << "action " << c.action;
    if (c.calls != 0) {
      EXPECT_EQ(gKeys[0], 0x3B) << "the question id is the form-callback key";
      EXPECT_TRUE(gBoxesOnScreenInCallback) << "a message box of the callback is drawn for the person pressing";
      EXPECT_FALSE(gBoxesOnScreen) << "and no box after it";
      EXPECT_EQ(request, EFI_BROWSER_ACTION_REQUEST_NONE) << "the browser stays on the form";
    }
  }
}

TEST_F(ConfigAccess, APressIsLoggedAheadOfTheStringsItsCallbackWrites) {
  const CompanionRecord *before = LastRecord();
  ASSERT_EQ(Press(&list_->ConfigAccess, EFI_BROWSER_ACTION_CHANGED, 0xF013, nullptr), EFI_SUCCESS);
  const std::vector<std::string> expected = {
      "form-callback class=" + std::to_string(kPackageListSeeds[0].FormClass) + " key=61459 status=0",
      "string-written"};
  EXPECT_EQ(RecordsAfter(before), expected);
}

TEST_F(ConfigAccess, PressesForNoPublishedListReachNoCallback) {
  const EFI_HII_CONFIG_ACCESS_PROTOCOL stranger = kListConfigAccess;
  EXPECT_EQ(Press(&stranger, EFI_BROWSER_ACTION_CHANGED, 0x3B, nullptr), EFI_UNSUPPORTED);
  instance_.Form.Callback = nullptr;
  EXPECT_EQ(Press(&list_->ConfigAccess, EFI_BROWSER_ACTION_CHANGED, 0x3B, nullptr), EFI_UNSUPPORTED);
  EXPECT_TRUE(gKeys.empty());
}

TEST_F(ConfigAccess, ConfigurationRequestsAreLeftToTheVariableStore) {
  const CHAR16 request[] = u"GUID=00&NAME=00&PATH=00";
  CHAR16 *progress = nullptr;
  CHAR16 *results = nullptr;
  EXPECT_EQ(kListConfigAccess.ExtractConfig(&list_->ConfigAccess, request, &progress, &results), EFI_NOT_FOUND);
  EXPECT_EQ(progress, request);
  progress = nullptr;
  EXPECT_EQ(kListConfigAccess.RouteConfig(&list_->ConfigAccess, request, &progress), EFI_NOT_FOUND);
  EXPECT_EQ(progress, request);
}

}  // namespace
