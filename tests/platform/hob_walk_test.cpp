#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driver/platform/board_records.h"
#include "driver/platform/firmware_services.h"
#include "tests/platform/fake_firmware.h"

namespace {

struct HobShape {
  UINT16 type;
  UINT16 length;
};

// Lays the HOBs out back to back (a HOB too short for its header still gets
// header room) and appends the end-of-list HOB.
class HobList {
 public:
  explicit HobList(const std::vector<HobShape> &hobs) {
    size_t offset = 0;
    for (const HobShape &hob : hobs) {
      offsets_.push_back(offset);
      offset += hob.length < 8 ? 8 : hob.length;
    }
    offsets_.push_back(offset);
    storage_.assign(offset / 8 + 2, 0);
    for (size_t i = 0; i < hobs.size(); i++) {
      Write(offsets_[i], hobs[i].type, hobs[i].length);
    }
    Write(offset, EFI_HOB_TYPE_END_OF_HOB_LIST, 8);
  }
  EFI_HOB_GENERIC_HEADER *At(size_t index) { return (EFI_HOB_GENERIC_HEADER *)(Bytes() + offsets_[index]); }
  int IndexOf(const EFI_HOB_GENERIC_HEADER *hob) {
    for (size_t i = 0; i < offsets_.size(); i++) {
      if ((const UINT8 *)hob == Bytes() + offsets_[i]) {
        return static_cast<int>(i);
      }
    }
    return -1;
  }
  UINT8 *Bytes() { return reinterpret_cast<UINT8 *>(storage_.data()); }

 private:
  void Write(size_t offset, UINT16 type, UINT16 length) {
    std::memcpy(Bytes() + offset, &type, 2);
    std::memcpy(Bytes() + offset + 2, &length, 2);
  }
  std::vector<size_t> offsets_;
  std::vector<uint64_t> storage_;
};

TEST(NextHobOfType, VisitsEveryLaterHobOfTheTypeAndStopsOnMalformedLengths) {
  struct Case {
    const char *name;
    std::vector<HobShape> hobs;
    size_t start;
    UINT16 type;
    std::vector<int> visited;  // indices returned, in order; the end HOB's index is hobs.size()
  } cases[] = {
      {"start on the end HOB", {{1, 16}}, 1, 4, {}},
      {"end HOB asked for by type", {{1, 16}, {4, 24}}, 0, 0xFFFF, {2}},
      {"start HOB itself never returned", {{4, 24}, {3, 16}, {4, 32}, {4, 24}}, 0, 4, {2, 3}},
      {"no HOB of the type", {{1, 16}, {3, 48}}, 0, 4, {}},
      {"zero length ends the walk", {{1, 16}, {4, 24}, {3, 0}, {4, 24}}, 0, 4, {1}},
      {"length shorter than the header", {{1, 16}, {3, 4}, {4, 24}}, 0, 4, {}},
      {"unaligned lengths still walk", {{1, 13}, {4, 27}, {4, 9}}, 0, 4, {1, 2}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    HobList list(c.hobs);
    EFI_HOB_GENERIC_HEADER *hob = list.At(c.start);
    std::vector<int> visited;
    EFI_STATUS status;
    while ((status = NextHobOfType(c.type, &hob)) == EFI_SUCCESS && visited.size() <= c.hobs.size()) {
      visited.push_back(list.IndexOf(hob));
    }
    EXPECT_EQ(status, EFI_NOT_FOUND);
    EXPECT_EQ(visited, c.visited);
    EXPECT_EQ(list.IndexOf(hob), c.visited.empty() ? static_cast<int>(c.start) : c.visited.back());
  }
}

TEST(NextHobOfType, RejectsMissingPointers) {
  EFI_HOB_GENERIC_HEADER *none = nullptr;
  EXPECT_EQ(NextHobOfType(4, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(NextHobOfType(4, &none), EFI_INVALID_PARAMETER);
}

TEST(FindGuidHob, FindsTheNamedGuidHobAfterTheFirstHob) {
  constexpr EFI_GUID kOther = {0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};
  HobList list({{EFI_HOB_TYPE_HANDOFF, 56}, {4, 32}, {3, 48}, {4, 24}, {4, 16}, {4, 40}});
  auto name = [&list](size_t index, const EFI_GUID &guid) {
    std::memcpy(list.Bytes() + ((UINT8 *)list.At(index) - list.Bytes()) + 8, &guid, sizeof guid);
  };
  name(1, kOther);
  name(3, kPowerSupplyInfoHobGuid);
  name(5, kCpuPlatformInfoHobGuid);
  struct Case {
    const EFI_GUID *guid;
    bool listPresent;
    int expected;
    bool tableRecorded = true;  // false: asked before the entry point recorded the system table
  } cases[] = {
      {&kPowerSupplyInfoHobGuid, true, 3},
      {&kCpuPlatformInfoHobGuid, true, 5},
      {&kCpuInfoProtocolGuid, true, -1},
      {&kPowerSupplyInfoHobGuid, false, -1},
      {&kPowerSupplyInfoHobGuid, true, -1, false},
  };
  for (const Case &c : cases) {
    test::FirmwareState state;
    if (c.listPresent) {
      state.configurationTable = {{kHobListGuid, list.Bytes()}};
    }
    test::FirmwareScope scope(state);
    EFI_SYSTEM_TABLE *const recorded = gST;
    if (!c.tableRecorded) gST = nullptr;
    EFI_HOB_GUID_TYPE *found = FindGuidHob(c.guid);
    gST = recorded;
    EXPECT_EQ(found == nullptr ? -1 : list.IndexOf(&found->Header), c.expected);
  }
}

TEST(CpuPlatformInfoRatios, OnlyRecordsWhoseRatiosLieInsideTheHob) {
  struct Case {
    UINT16 length;
    UINTN processor;
    bool present;
  } cases[] = {
      {104, 0, false}, {105, 0, true},  {135, 1, false},         {136, 1, true},
      {0xFFFF, 2110, true}, {0xFFFF, 2111, false}, {0xFFFF, ~0ull / 31 + 2, false},
  };
  for (const Case &c : cases) {
    EFI_HOB_GUID_TYPE hob{};
    hob.Header.HobLength = c.length;
    const CpuPlatformProcessorRatios *ratios = CpuPlatformInfoRatios(&hob, c.processor);
    EXPECT_EQ(ratios != nullptr, c.present) << c.length << " " << c.processor;
    if (ratios != nullptr) {
      EXPECT_EQ((const UINT8 *)&ratios->FirstRatio - (const UINT8 *)&hob, 103 + 31 * (ptrdiff_t)c.processor);
    }
  }
}

}  // namespace
