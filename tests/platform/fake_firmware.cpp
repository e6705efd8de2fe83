#include "tests/platform/fake_firmware.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace test {
namespace {

FirmwareState *gState = nullptr;

FirmwareState &State() {
  if (gState == nullptr) {
    ADD_FAILURE() << "firmware service called with no FirmwareScope";
    std::abort();
  }
  return *gState;
}

EFI_STATUS EFIAPI AllocatePool(EFI_MEMORY_TYPE type, UINTN size, VOID **buffer) {
  FirmwareState &state = State();
  EXPECT_EQ(type, EfiBootServicesData);
  if (state.failAllocations) {
    return EFI_OUT_OF_RESOURCES;
  }
  *buffer = std::malloc(size == 0 ? 1 : size);
  std::memset(*buffer, 0xCC, size);  // pool memory is not cleared
  state.pool.insert(*buffer);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI FreePool(VOID *buffer) {
  if (State().pool.erase(buffer) == 0) {
    ADD_FAILURE() << "FreePool of a block the pool does not hold";
    return EFI_INVALID_PARAMETER;
  }
  std::free(buffer);
  State().frees++;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI CreateEvent(UINT32 type, EFI_TPL tpl, EFI_EVENT_NOTIFY notify, VOID *context, EFI_EVENT *event) {
  FirmwareState &state = State();
  if (EfiError(state.createEventStatus)) {
    return state.createEventStatus;
  }
  state.events.push_back({type, tpl, notify, context});
  *event = reinterpret_cast<EFI_EVENT>(state.events.size());
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI RegisterProtocolNotify(EFI_GUID *protocol, EFI_EVENT event, VOID **registration) {
  State().notifyRegistrations.push_back({*protocol, event});
  State().registrationPointers.push_back(registration);
  return State().registerNotifyStatus;
}

EFI_STATUS EFIAPI CloseEvent(EFI_EVENT event) {
  State().closedEvents.push_back(event);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI LocateProtocol(EFI_GUID *protocol, VOID *, VOID **interface) {
  for (const auto &[guid, installed] : State().protocols) {
    if (SameGuid(guid, *protocol)) {
      *interface = installed;
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

// UEFI semantics: a buffer too small (or none) yields EFI_BUFFER_TOO_SMALL and the size needed.
EFI_STATUS EFIAPI GetVariable(CHAR16 *name, EFI_GUID *guid, UINT32 *attributes, UINTN *size, VOID *data) {
  FirmwareState &state = State();
  state.getVariableCalls++;
  EFI_STATUS status = EFI_NOT_FOUND;
  for (const FakeVariable &variable : state.variables) {
    if (variable.name != name || !SameGuid(variable.guid, *guid)) {
      continue;
    }
    if (*size < variable.data.size()) {
      status = EFI_BUFFER_TOO_SMALL;
    } else if (data == nullptr) {
      status = EFI_INVALID_PARAMETER;
    } else {
      std::memcpy(data, variable.data.data(), variable.data.size());
      if (attributes != nullptr) {
        *attributes = variable.attributes;
      }
      status = EFI_SUCCESS;
    }
    *size = variable.data.size();
    break;
  }
  if (state.afterGetVariable) {
    state.afterGetVariable();
  }
  return status;
}

EFI_STATUS EFIAPI SetVariable(CHAR16 *name, EFI_GUID *guid, UINT32 attributes, UINTN size, VOID *data) {
  const auto *bytes = static_cast<const uint8_t *>(data);
  State().setVariableCalls.push_back({name, *guid, attributes, std::vector<uint8_t>(bytes, bytes + size)});
  return EFI_SUCCESS;
}

struct SharedTables {
  EFI_BOOT_SERVICES boot{};
  EFI_RUNTIME_SERVICES runtime{};
  EFI_SYSTEM_TABLE system{};
  SharedTables() {
    boot.AllocatePool = AllocatePool;
    boot.FreePool = FreePool;
    boot.CreateEvent = CreateEvent;
    boot.RegisterProtocolNotify = RegisterProtocolNotify;
    boot.CloseEvent = CloseEvent;
    boot.LocateProtocol = LocateProtocol;
    runtime.GetVariable = GetVariable;
    runtime.SetVariable = SetVariable;
    system.BootServices = &boot;
    system.RuntimeServices = &runtime;
  }
};

SharedTables &Tables() {
  static SharedTables tables;
  return tables;
}

}  // namespace

EFI_SYSTEM_TABLE *SharedSystemTable() { return &Tables().system; }

EFI_HANDLE SharedImageHandle() {
  static int image;
  return &image;
}

FirmwareScope::FirmwareScope(FirmwareState &state) {
  CaptureServiceTables(SharedImageHandle(), SharedSystemTable());
  gState = &state;
  SharedSystemTable()->ConfigurationTable = state.configurationTable.data();
  SharedSystemTable()->NumberOfTableEntries = state.configurationTable.size();
}

FirmwareScope::~FirmwareScope() {
  EXPECT_TRUE(gState->pool.empty()) << gState->pool.size() << " pool block(s) left allocated";
  SharedSystemTable()->ConfigurationTable = nullptr;
  SharedSystemTable()->NumberOfTableEntries = 0;
  gState = nullptr;
}

bool SameGuid(const EFI_GUID &a, const EFI_GUID &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace test
