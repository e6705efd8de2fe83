#include "run_request.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct RequestCase {
  const char *name;
  std::string text;
  bool trigger;
  std::vector<std::pair<UINT16, UINT16>> callbacks;
};

// ctest names a case by what its parameter prints, so each prints its name.
void PrintTo(const RequestCase &c, std::ostream *out) { *out << c.name; }

class RunRequestAccepts : public testing::TestWithParam<RequestCase> {};

TEST_P(RunRequestAccepts, ReadsEveryRequest) {
  const RequestCase &c = GetParam();
  RunRequest request;
  UINTN badLine = 0;
  ASSERT_EQ(ParseRunRequest(c.text.data(), c.text.size(), &request, &badLine), EFI_SUCCESS);
  EXPECT_EQ(request.Trigger, c.trigger);
  ASSERT_EQ(request.CallbackCount, c.callbacks.size());
  for (size_t i = 0; i < c.callbacks.size(); i++) {
    EXPECT_EQ(request.Callbacks[i].FormClass, c.callbacks[i].first) << "callback " << i;
    EXPECT_EQ(request.Callbacks[i].Key, c.callbacks[i].second) << "callback " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RunRequestAccepts,
    testing::Values(RequestCase{"empty", "", false, {}},
                    RequestCase{"trigger_only", "trigger\n", true, {}},
                    RequestCase{"callbacks_in_order", "callback 2 0x3B\ncallback 32 61459\n", false,
                                {{2, 0x3B}, {32, 0xF013}}},
                    RequestCase{"blanks_comments_and_crlf", "  # a run\r\n\r\ntrigger # later boot\r\n\tcallback\t2 0X3b\r\n",
                                true, {{2, 0x3B}}},
                    RequestCase{"largest_numbers", "callback 0xFFFF 65535", false, {{0xFFFF, 0xFFFF}}},
                    RequestCase{"no_final_newline", "trigger", true, {}}));

struct RejectCase {
  const char *name;
  std::string text;
  UINTN badLine;
};

void PrintTo(const RejectCase &c, std::ostream *out) { *out << c.name; }

class RunRequestRejects : public testing::TestWithParam<RejectCase> {};

TEST_P(RunRequestRejects, NamesTheLine) {
  const RejectCase &c = GetParam();
  RunRequest request;
  UINTN badLine = 0;
  EXPECT_EQ(ParseRunRequest(c.text.data(), c.text.size(), &request, &badLine), EFI_INVALID_PARAMETER);
  EXPECT_EQ(badLine, c.badLine);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RunRequestRejects,
    testing::Values(RejectCase{"unknown_command", "trigger\nreboot\n", 2},
                    RejectCase{"command_prefix_only", "trig\n", 1},
                    RejectCase{"number_too_large", "callback 2 0x10000\n", 1},
                    RejectCase{"decimal_too_large", "callback 65536 1\n", 1},
                    RejectCase{"missing_key", "callback 2\n", 1},
                    RejectCase{"hex_prefix_alone", "callback 0x 1\n", 1},
                    RejectCase{"not_a_digit", "callback 2 3B\n", 1},
                    RejectCase{"trailing_word", "\n\ntrigger now\n", 3},
                    RejectCase{"zero_byte_in_word", std::string("trig\0ger\n", 9), 1}));

TEST(RunRequest, BrowsingAndTheExportAreAskedForOnTheirOwnLines) {
  const struct {
    std::string text;
    EFI_STATUS status;
    BOOLEAN browse, exported;
  } cases[] = {{"trigger\ncallback 2 0x3B\n", EFI_SUCCESS, 0, 0},
               {"trigger\nbrowse\n", EFI_SUCCESS, 1, 0},
               {"browse # the menu\r\n", EFI_SUCCESS, 1, 0},
               {"export\nbrowse\n", EFI_SUCCESS, 1, 1},
               {"browse 2 8 0x40\n", EFI_SUCCESS, 1, 0},
               {"browse two\n", EFI_INVALID_PARAMETER, 0, 0},
               {"browse 1 2 4 8 16 32 64 128 256\n", EFI_INVALID_PARAMETER, 0, 0},
               {"export hii.bin\n", EFI_INVALID_PARAMETER, 0, 0}};
  for (const auto &c : cases) {
    RunRequest request;
    UINTN badLine = 0;
    EXPECT_EQ(ParseRunRequest(c.text.data(), c.text.size(), &request, &badLine), c.status) << c.text;
    if (c.status == EFI_SUCCESS) {
      EXPECT_EQ(request.Browse, c.browse) << c.text;
      EXPECT_EQ(request.Export, c.exported) << c.text;
    }
  }
  const std::string some = "browse 2 8 0x40\n";
  RunRequest request;
  UINTN badLine = 0;
  ASSERT_EQ(ParseRunRequest(some.data(), some.size(), &request, &badLine), EFI_SUCCESS);
  EXPECT_TRUE(BrowsesClass(request, 64));
  EXPECT_FALSE(BrowsesClass(request, 1)) << "only the classes named";
  const std::string every = "browse\n";
  ASSERT_EQ(ParseRunRequest(every.data(), every.size(), &request, &badLine), EFI_SUCCESS);
  EXPECT_TRUE(BrowsesClass(request, 1)) << "no class named: every class";
}

TEST(RunRequest, DispatchedIsAWordOfItsOwn) {
  const std::string text = "# the firmware ran both drivers\ndispatched\ncallback 2 59\n";
  RunRequest request;
  UINTN badLine = 0;
  ASSERT_EQ(ParseRunRequest(text.data(), text.size(), &request, &badLine), EFI_SUCCESS);
  EXPECT_TRUE(request.Dispatched);
  EXPECT_FALSE(request.Trigger);
  EXPECT_EQ(request.CallbackCount, 1u);
  const std::string plain = "trigger\n";
  ASSERT_EQ(ParseRunRequest(plain.data(), plain.size(), &request, &badLine), EFI_SUCCESS);
  EXPECT_FALSE(request.Dispatched);
  const std::string extra = "dispatched now\n";
  EXPECT_EQ(ParseRunRequest(extra.data(), extra.size(), &request, &badLine), EFI_INVALID_PARAMETER);
}

TEST(RunRequest, RefusesMoreCallbacksThanItHolds) {
  std::string text;
  const size_t capacity = sizeof(RunRequest::Callbacks) / sizeof(RunRequest::Callbacks[0]);
  for (size_t i = 0; i <= capacity; i++) text += "callback 2 59\n";
  RunRequest request;
  UINTN badLine = 0;
  EXPECT_EQ(ParseRunRequest(text.data(), text.size(), &request, &badLine), EFI_INVALID_PARAMETER);
  EXPECT_EQ(badLine, capacity + 1);
}

}  // namespace
