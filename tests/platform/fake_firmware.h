// One process-wide fake system table for tests of the firmware helpers. The
// driver records only the first table it is given, so every test shares this one;
// its services act on the FirmwareState that the test's FirmwareScope binds.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "driver/platform/firmware_services.h"

namespace test {

struct FakeVariable {
  std::u16string name;
  EFI_GUID guid{};
  uint32_t attributes = 0;
  std::vector<uint8_t> data;
};

struct CreatedEvent {
  UINT32 type;
  EFI_TPL tpl;
  EFI_EVENT_NOTIFY notify;
  VOID *context;
};

// The configuration table is handed to the system table when the scope starts.
struct FirmwareState {
  std::vector<FakeVariable> variables;
  std::vector<EFI_CONFIGURATION_TABLE> configurationTable;
  bool failAllocations = false;
  std::set<void *> pool;  // live blocks; a test ends with none
  size_t frees = 0;
  size_t getVariableCalls = 0;
  std::vector<FakeVariable> setVariableCalls;  // every SetVariable, as called; none is stored
  std::function<void()> afterGetVariable;
  EFI_STATUS createEventStatus = EFI_SUCCESS;
  std::vector<CreatedEvent> events;
  std::vector<std::pair<EFI_GUID, EFI_EVENT>> notifyRegistrations;
  EFI_STATUS registerNotifyStatus = EFI_SUCCESS;
  std::vector<EFI_EVENT> closedEvents;
  std::vector<VOID **> registrationPointers;
  std::vector<std::pair<EFI_GUID, VOID *>> protocols;  // installed, with their interfaces (null allowed)
};

class FirmwareScope {
 public:
  explicit FirmwareScope(FirmwareState &state);
  ~FirmwareScope();
  FirmwareScope(const FirmwareScope &) = delete;
  FirmwareScope &operator=(const FirmwareScope &) = delete;
};

EFI_SYSTEM_TABLE *SharedSystemTable();
EFI_HANDLE SharedImageHandle();

bool SameGuid(const EFI_GUID &a, const EFI_GUID &b);

}  // namespace test
