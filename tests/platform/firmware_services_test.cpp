#include <gtest/gtest.h>

#include <cstring>

#include "driver/core/firmware_calls.h"
#include "driver/platform/firmware_services.h"
#include "tests/platform/fake_firmware.h"

namespace {

using test::FakeVariable;
using test::FirmwareScope;
using test::FirmwareState;

constexpr EFI_GUID kGuidA = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr EFI_GUID kGuidB = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 9}};

TEST(CaptureServiceTables, SecondTableIsIgnored) {
  FirmwareState state;
  FirmwareScope scope(state);
  EFI_BOOT_SERVICES otherBoot{};
  EFI_RUNTIME_SERVICES otherRuntime{};
  EFI_SYSTEM_TABLE other{};
  other.BootServices = &otherBoot;
  other.RuntimeServices = &otherRuntime;
  int otherImage;
  CaptureServiceTables(&otherImage, &other);
  EXPECT_EQ(gST, test::SharedSystemTable());
  EXPECT_EQ(gBS, test::SharedSystemTable()->BootServices);
  EXPECT_EQ(gRT, test::SharedSystemTable()->RuntimeServices);
  EXPECT_EQ(gImageHandle, test::SharedImageHandle());
}

TEST(FindConfigurationTable, ReturnsTheFirstEntryWithTheGuid) {
  int first, second, third;
  struct Case {
    std::vector<EFI_CONFIGURATION_TABLE> entries;
    const EFI_GUID *guid;
    VOID *expected;
  } cases[] = {
      {{{kGuidA, &first}, {kGuidA, &second}}, &kGuidA, &first},
      {{{kGuidB, &first}, {kGuidA, &second}, {kGuidA, &third}}, &kGuidA, &second},
      {{{kGuidB, &first}}, &kGuidA, nullptr},  // differs only in the last byte
      {{}, &kGuidA, nullptr},
  };
  for (const Case &c : cases) {
    EFI_SYSTEM_TABLE table{};
    table.NumberOfTableEntries = c.entries.size();
    table.ConfigurationTable = const_cast<EFI_CONFIGURATION_TABLE *>(c.entries.data());
    EXPECT_EQ(FindConfigurationTable(&table, c.guid), c.expected);
  }
}

// The cache lives as long as the process, so this is the only test that asks for the table.
TEST(GetDxeServicesTable, ReportsMissingTableThenCachesTheFoundOne) {
  DXE_SERVICES_TABLE_HEADER dxe{};
  DXE_SERVICES_TABLE_HEADER *found = nullptr;
  {
    FirmwareState state;
    FirmwareScope scope(state);
    EFI_SYSTEM_TABLE *recorded = gST;
    gST = nullptr;
    EXPECT_EQ(GetDxeServicesTable(&found), EFI_INVALID_PARAMETER);
    gST = recorded;
    EXPECT_EQ(GetDxeServicesTable(&found), kDxeServicesNotFound);
    EXPECT_EQ(found, nullptr);
  }
  {
    FirmwareState state;
    state.configurationTable = {{kGuidA, nullptr}, {kDxeServicesTableGuid, &dxe}};
    FirmwareScope scope(state);
    EXPECT_EQ(GetDxeServicesTable(&found), EFI_SUCCESS);
    EXPECT_EQ(found, &dxe);
    EXPECT_EQ(GetDxeServicesTable(nullptr), EFI_SUCCESS);
  }
  FirmwareState empty;
  FirmwareScope scope(empty);
  found = nullptr;
  EXPECT_EQ(GetDxeServicesTable(&found), EFI_SUCCESS);
  EXPECT_EQ(found, &dxe);
}

TEST(GetVariableGrow, GrowsOnceAndLeavesTheBufferWithTheCaller) {
  struct Case {
    const char *name;
    size_t variableSize;  // 0: no such variable
    size_t bufferSize;    // 0: the caller has no buffer
    UINTN sizeIn;
    bool failAllocations;
    size_t growBy;  // the variable grows by this much after the first read
    EFI_STATUS status;
    size_t reads;
    bool freesOriginal;
    bool bufferNull;
  } cases[] = {
      {"missing, no buffer", 0, 0, 0, false, 0, EFI_NOT_FOUND, 1, false, true},
      {"buffer large enough", 8, 16, 16, false, 0, EFI_SUCCESS, 1, false, false},
      {"no buffer, stale size ignored", 8, 0, 64, false, 0, EFI_SUCCESS, 2, false, false},
      {"buffer too small", 8, 4, 4, false, 0, EFI_SUCCESS, 2, true, false},
      {"allocation fails", 8, 4, 4, true, 0, EFI_OUT_OF_RESOURCES, 1, true, true},
      {"grows between reads: no third read", 8, 0, 0, false, 4, EFI_BUFFER_TOO_SMALL, 2, false, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    FirmwareState state;
    if (c.variableSize != 0) {
      FakeVariable variable{u"Sample", kGuidA, kAttrBsRt, std::vector<uint8_t>(c.variableSize)};
      for (size_t i = 0; i < c.variableSize; i++) {
        variable.data[i] = static_cast<uint8_t>(0x40 + i);
      }
      state.variables.push_back(variable);
    }
    state.afterGetVariable = [&state, &c] {
      if (c.growBy != 0 && state.getVariableCalls == 1) {
        state.variables[0].data.resize(c.variableSize + c.growBy);
      }
    };
    FirmwareScope scope(state);
    VOID *buffer = c.bufferSize != 0 ? AllocateBootPool(c.bufferSize) : nullptr;
    state.failAllocations = c.failAllocations;
    UINTN size = c.sizeIn;
    UINT32 attributes = 0;
    EXPECT_EQ(GetVariableGrow(u"Sample", &kGuidA, &attributes, &size, &buffer), c.status);
    EXPECT_EQ(state.getVariableCalls, c.reads);
    EXPECT_EQ(buffer == nullptr, c.bufferNull);
    EXPECT_EQ(state.frees, c.freesOriginal ? 1u : 0u);
    if (c.status == EFI_SUCCESS) {
      EXPECT_EQ(size, c.variableSize);
      EXPECT_EQ(attributes, kAttrBsRt);
      EXPECT_EQ(std::memcmp(buffer, state.variables[0].data.data(), c.variableSize), 0);
    }
    if (buffer != nullptr) {
      gBS->FreePool(buffer);
    }
  }
}

// A non-volatile write is left out only when the store holds the very same
// attributes, size and bytes; anything else still reaches SetVariable, so that
// a store that refuses the write (other attributes) reports it.
TEST(StoreNonVolatile, LeavesOutOnlyAnIdenticalRewrite) {
  const std::vector<uint8_t> data = {1, 2, 3, 4};
  struct Case {
    const char *name;
    bool stored;
    uint32_t storedAttributes;
    std::vector<uint8_t> storedData;
    bool writersRead;  // the writer passes its own fresh read instead of letting the helper read
    bool failAllocations;
    size_t writes;
    size_t reads;
    size_t size = 4;  // of data written: 0 deletes
  } cases[] = {
      {"identical", true, kAttrNvBsRt, {1, 2, 3, 4}, false, false, 0, 1},
      {"identical, writer's read", true, kAttrNvBsRt, {1, 2, 3, 4}, true, false, 0, 0},
      {"one byte differs", true, kAttrNvBsRt, {1, 2, 3, 5}, false, false, 1, 1},
      {"one byte differs, writer's read", true, kAttrNvBsRt, {1, 2, 3, 5}, true, false, 1, 0},
      {"other attributes", true, kAttrNvBs, {1, 2, 3, 4}, false, false, 1, 1},
      {"other attributes, writer's read", true, kAttrNvBs, {1, 2, 3, 4}, true, false, 1, 0},
      {"stored shorter", true, kAttrNvBsRt, {1, 2, 3}, false, false, 1, 1},
      {"stored longer", true, kAttrNvBsRt, {1, 2, 3, 4, 5}, false, false, 1, 1},
      {"absent", false, 0, {}, false, false, 1, 1},
      {"no pool to read into", true, kAttrNvBsRt, {1, 2, 3, 4}, false, true, 1, 0},
      // A deletion is never a rewrite, so it is not compared with a read.
      {"size 0 deletes", true, kAttrNvBsRt, {1, 2, 3, 4}, false, false, 1, 0, 0},
      {"size 0 deletes, writer's read", true, kAttrNvBsRt, {}, true, false, 1, 0, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    FirmwareState state;
    if (c.stored) {
      state.variables.push_back({u"Sample", kGuidA, c.storedAttributes, c.storedData});
    }
    FirmwareScope scope(state);
    state.failAllocations = c.failAllocations;
    const VariableAsRead read = {c.storedData.data(), c.storedData.size(), c.storedAttributes};
    const std::vector<uint8_t> written(data.begin(), data.begin() + c.size);
    EXPECT_EQ(StoreNonVolatile(u"Sample", &kGuidA, kAttrNvBsRt, c.size, data.data(),
                               c.writersRead ? &read : nullptr),
              EFI_SUCCESS);
    ASSERT_EQ(state.setVariableCalls.size(), c.writes);
    EXPECT_EQ(state.getVariableCalls, c.reads);
    if (c.writes != 0) {
      EXPECT_EQ(state.setVariableCalls[0].data, written);
      EXPECT_EQ(state.setVariableCalls[0].attributes, kAttrNvBsRt);
    }
  }
}

// A protocol installed without an interface (a marker) is no interface to call.
TEST(LocateInterface, GivesOnlyAnInstalledInterface) {
  int installed;
  struct Case {
    const char *name;
    std::vector<std::pair<EFI_GUID, VOID *>> protocols;
    VOID *expected;
  } cases[] = {
      {"installed", {{kGuidB, nullptr}, {kGuidA, &installed}}, &installed},
      {"installed without an interface", {{kGuidA, nullptr}}, nullptr},
      {"another protocol only", {{kGuidB, &installed}}, nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    FirmwareState state;
    state.protocols = c.protocols;
    FirmwareScope scope(state);
    VOID *found = &found;  // a failed lookup must not leave an earlier value
    EXPECT_EQ(LocateInterface(&kGuidA, &found), c.expected != nullptr);
    EXPECT_EQ(found, c.expected);
  }
}

// The global writers refuse a null Data rather than hand SetVariable a size to read from it.
TEST(SetGlobalVariable, NullDataStoresNothing) {
  FirmwareState state;
  FirmwareScope scope(state);
  EXPECT_EQ(SetGlobalVolatile(u"Sample", nullptr, 3), EFI_INVALID_PARAMETER);
  EXPECT_EQ(SetGlobalNonVolatile(u"Sample", nullptr, 3), EFI_INVALID_PARAMETER);
  EXPECT_TRUE(state.setVariableCalls.empty());
  EXPECT_EQ(state.getVariableCalls, 0u);
}

// The whole value in a pool block of its own, or null with the status that tells a
// missing variable from an unreadable one; with or without a size to report.
TEST(GetVariableAlloc, GivesTheWholeValueOrNullWithTheReason) {
  const std::vector<uint8_t> value = {7, 8, 9};
  struct Case {
    const char *name;
    bool stored;
    bool failAllocations;
    EFI_STATUS status;
  } cases[] = {
      {"stored", true, false, EFI_SUCCESS},
      {"missing", false, false, EFI_NOT_FOUND},
      {"no pool", true, true, EFI_OUT_OF_RESOURCES},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    FirmwareState state;
    if (c.stored) {
      state.variables.push_back({u"Sample", kGuidA, kAttrBsRt, value});
    }
    FirmwareScope scope(state);
    state.failAllocations = c.failAllocations;
    UINTN size = 99;
    EFI_STATUS status = EFI_SUCCESS;
    auto *sized = static_cast<uint8_t *>(GetVariableAlloc(u"Sample", &kGuidA, &size, &status));
    auto *unsized = static_cast<uint8_t *>(GetVariableAlloc(u"Sample", &kGuidA, nullptr));
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(size, c.status == EFI_SUCCESS ? value.size() : 99u);
    for (uint8_t *read : {sized, unsized}) {
      EXPECT_EQ(read != nullptr, c.status == EFI_SUCCESS);
      if (read != nullptr) {
        EXPECT_EQ(std::vector<uint8_t>(read, read + value.size()), value);
        gBS->FreePool(read);
      }
    }
    EXPECT_TRUE(state.pool.empty()) << "the grown buffer is freed on failure";
  }
}

VOID EFIAPI IgnoreNotify(EFI_EVENT, VOID *) {}

// An event is registered only once it exists, and closed again when no
// installation could ever signal it.
TEST(RegisterProtocolNotifyEvent, LeavesAnOpenEventOnlyWhenRegistered) {
  struct Case {
    EFI_STATUS create, registerNotify;
    size_t registrations;
    bool open;
  } cases[] = {
      {EFI_SUCCESS, EFI_SUCCESS, 1, true},
      {EFI_OUT_OF_RESOURCES, EFI_SUCCESS, 0, false},
      {EFI_SUCCESS, EFI_OUT_OF_RESOURCES, 1, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.create << "/" << c.registerNotify);
    FirmwareState state;
    state.createEventStatus = c.create;
    state.registerNotifyStatus = c.registerNotify;
    FirmwareScope scope(state);
    int context;
    EFI_EVENT event = nullptr;
    VOID *registration = nullptr;
    RegisterProtocolNotifyEvent(&kGuidB, IgnoreNotify, &context, &event, &registration);
    ASSERT_EQ(state.notifyRegistrations.size(), c.registrations);
    EXPECT_EQ(event != nullptr, c.open);
    EXPECT_EQ(state.closedEvents.size(), c.registrations - (c.open ? 1 : 0));
    if (c.registrations == 0) continue;
    ASSERT_EQ(state.events.size(), 1u);
    EXPECT_EQ(state.events[0].type, EVT_NOTIFY_SIGNAL);
    EXPECT_EQ(state.events[0].tpl, TPL_CALLBACK);
    EXPECT_EQ(state.events[0].notify, &IgnoreNotify);
    EXPECT_EQ(state.events[0].context, &context);
    EXPECT_TRUE(test::SameGuid(state.notifyRegistrations[0].first, kGuidB));
    EXPECT_EQ(state.registrationPointers[0], &registration);
  }
}

}  // namespace
