// EFI_BOOT_SERVICES of the simulated machine. The members the driver uses
// behave as the UEFI specification says; the rest log their call and fail.
#include <cstring>

#include "sim/machine/guid_text.h"
#include "sim/machine/service_tables.h"
#include "sim/machine/unexpected_call.h"

namespace sim {

namespace {

// Firmware reports descriptors larger than the structure, so callers must step
// by DescriptorSize; the simulator does the same to catch those that do not.
constexpr UINTN kDescriptorSize = sizeof(EFI_MEMORY_DESCRIPTOR) + 8;
constexpr UINTN kMemoryMapKey = 1;
constexpr UINTN kLargestPoolBlock = UINTN{1} << 28;
constexpr UINT32 kOemMemoryTypeFirst = 0x70000000;

EFI_TPL EFIAPI RaiseTpl(EFI_TPL newTpl) { return Machine::Current().Events().Raise(newTpl); }

VOID EFIAPI RestoreTpl(EFI_TPL oldTpl) { Machine::Current().Events().Restore(oldTpl); }

EFI_STATUS EFIAPI GetMemoryMap(UINTN *mapSize, EFI_MEMORY_DESCRIPTOR *map, UINTN *mapKey, UINTN *descriptorSize,
                               UINT32 *descriptorVersion) {
  if (mapSize == nullptr) return EFI_INVALID_PARAMETER;
  const auto &entries = Machine::Current().Profile().memoryMap;
  const UINTN needed = entries.size() * kDescriptorSize;
  if (descriptorSize != nullptr) *descriptorSize = kDescriptorSize;
  if (descriptorVersion != nullptr) *descriptorVersion = 1;
  if (*mapSize < needed) {
    *mapSize = needed;
    return EFI_BUFFER_TOO_SMALL;
  }
  if (map == nullptr) return EFI_INVALID_PARAMETER;
  auto *out = reinterpret_cast<uint8_t *>(map);
  for (const MemoryMapEntrySpec &entry : entries) {
    EFI_MEMORY_DESCRIPTOR descriptor{entry.type, entry.physicalStart, 0, entry.numberOfPages, entry.attribute};
    std::memset(out, 0, kDescriptorSize);
    std::memcpy(out, &descriptor, sizeof descriptor);
    out += kDescriptorSize;
  }
  *mapSize = needed;
  if (mapKey != nullptr) *mapKey = kMemoryMapKey;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI AllocatePool(EFI_MEMORY_TYPE poolType, UINTN size, VOID **buffer) {
  if (buffer == nullptr) return EFI_INVALID_PARAMETER;
  if ((poolType >= EfiMaxMemoryType && poolType < kOemMemoryTypeFirst) || poolType == EfiConventionalMemory ||
      poolType == EfiPersistentMemory) {
    return EFI_INVALID_PARAMETER;
  }
  Machine &machine = Machine::Current();
  if (machine.Faults().Fails(ServiceCall::AllocatePool)) {
    *buffer = nullptr;
    return InjectedStatus(ServiceCall::AllocatePool);
  }
  *buffer = size <= kLargestPoolBlock ? machine.Pool().Allocate(size) : nullptr;
  return *buffer != nullptr ? EFI_SUCCESS : EFI_OUT_OF_RESOURCES;
}

EFI_STATUS EFIAPI FreePool(VOID *buffer) {
  Machine &machine = Machine::Current();
  if (machine.Pool().Free(buffer)) return EFI_SUCCESS;
  machine.Log().Record("pool-free-invalid", "FreePool of a pointer that is not an allocated pool block",
                       {{"address", reinterpret_cast<uintptr_t>(buffer)}});
  return EFI_INVALID_PARAMETER;
}

EFI_STATUS EFIAPI CreateEvent(UINT32 type, EFI_TPL notifyTpl, EFI_EVENT_NOTIFY notify, VOID *context,
                              EFI_EVENT *event) {
  return Machine::Current().Events().Create(type, notifyTpl, notify, context, event);
}

EFI_STATUS EFIAPI SignalEvent(EFI_EVENT event) { return Machine::Current().Events().Signal(event); }

EFI_STATUS EFIAPI CloseEvent(EFI_EVENT event) {
  Machine &machine = Machine::Current();
  if (!machine.Events().Exists(event)) {
    machine.Log().Record("event-close-invalid", "CloseEvent of an event that is not open",
                         {{"event", reinterpret_cast<uintptr_t>(event)}});
    return EFI_INVALID_PARAMETER;
  }
  machine.Protocols().ForgetEvent(event);
  return machine.Events().Close(event);
}

// Installs for the driver, logging each protocol before its notifications run.
EFI_STATUS InstallForDriver(EFI_HANDLE *handle, const ProtocolDatabase::InterfaceList &interfaces) {
  Machine &machine = Machine::Current();
  EFI_STATUS status = machine.Protocols().CheckInstall(handle, interfaces);
  if (EfiError(status)) return status;
  for (const auto &interface : interfaces) {
    machine.Log().Record("protocol-installed", GuidToText(*interface.first) + " installed by the driver");
  }
  return machine.Protocols().InstallMultiple(handle, interfaces);
}

EFI_STATUS EFIAPI InstallProtocolInterface(EFI_HANDLE *handle, EFI_GUID *protocol, EFI_INTERFACE_TYPE type,
                                           VOID *interface) {
  if (type != EFI_NATIVE_INTERFACE) return EFI_INVALID_PARAMETER;
  return InstallForDriver(handle, {{protocol, interface}});
}

EFI_STATUS EFIAPI HandleProtocol(EFI_HANDLE handle, EFI_GUID *protocol, VOID **interface) {
  return Machine::Current().Protocols().HandleProtocol(handle, protocol, interface);
}

EFI_STATUS EFIAPI RegisterProtocolNotify(EFI_GUID *protocol, EFI_EVENT event, VOID **registration) {
  return Machine::Current().Protocols().RegisterNotify(protocol, event, registration);
}

EFI_STATUS EFIAPI LocateHandleBuffer(EFI_LOCATE_SEARCH_TYPE searchType, EFI_GUID *protocol, VOID *searchKey,
                                     UINTN *handleCount, EFI_HANDLE **buffer) {
  if (handleCount == nullptr || buffer == nullptr) return EFI_INVALID_PARAMETER;
  *handleCount = 0;
  *buffer = nullptr;
  Machine &machine = Machine::Current();
  std::vector<EFI_HANDLE> found;
  EFI_STATUS status = machine.Protocols().LocateHandles(searchType, protocol, searchKey, found);
  if (EfiError(status)) return status;
  // The caller owns the list and releases it with FreePool.
  auto *list = static_cast<EFI_HANDLE *>(machine.Pool().Allocate(found.size() * sizeof(EFI_HANDLE)));
  if (list == nullptr) return EFI_OUT_OF_RESOURCES;
  std::memcpy(list, found.data(), found.size() * sizeof(EFI_HANDLE));
  *handleCount = found.size();
  *buffer = list;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI LocateProtocol(EFI_GUID *protocol, VOID *registration, VOID **interface) {
  Machine &machine = Machine::Current();
  if (machine.Faults().Fails(ServiceCall::LocateProtocol)) {
    if (interface != nullptr) *interface = nullptr;
    return InjectedStatus(ServiceCall::LocateProtocol);
  }
  return machine.Protocols().Locate(protocol, registration, interface);
}

// Pairs of protocol GUID and interface, ended by a null GUID pointer.
EFI_STATUS EFIAPI InstallMultipleProtocolInterfaces(EFI_HANDLE *handle, ...) {
  ProtocolDatabase::InterfaceList pairs;
  __builtin_ms_va_list arguments;
  __builtin_ms_va_start(arguments, handle);
  while (const EFI_GUID *protocol = __builtin_va_arg(arguments, const EFI_GUID *)) {
    pairs.emplace_back(protocol, __builtin_va_arg(arguments, VOID *));
  }
  __builtin_ms_va_end(arguments);
  return InstallForDriver(handle, pairs);
}

constexpr char kUninstallMultiple[] = "BootServices.UninstallMultipleProtocolInterfaces";

// Variadic, so it cannot come from the UnexpectedCall template.
EFI_STATUS EFIAPI UninstallMultipleProtocolInterfaces(EFI_HANDLE, ...) {
  Machine::Current().ReportUnexpectedCall(kUninstallMultiple);
  return EFI_UNSUPPORTED;
}

VOID EFIAPI CopyMem(VOID *destination, VOID *source, UINTN length) { std::memmove(destination, source, length); }

VOID EFIAPI SetMem(VOID *buffer, UINTN size, UINT8 value) { std::memset(buffer, value, size); }

constexpr char kAllocatePages[] = "BootServices.AllocatePages";
constexpr char kFreePages[] = "BootServices.FreePages";
constexpr char kSetTimer[] = "BootServices.SetTimer";
constexpr char kWaitForEvent[] = "BootServices.WaitForEvent";
constexpr char kCheckEvent[] = "BootServices.CheckEvent";
constexpr char kReinstall[] = "BootServices.ReinstallProtocolInterface";
constexpr char kUninstall[] = "BootServices.UninstallProtocolInterface";
constexpr char kReserved[] = "BootServices.Reserved";
constexpr char kLocateHandle[] = "BootServices.LocateHandle";
constexpr char kLocateDevicePath[] = "BootServices.LocateDevicePath";
constexpr char kInstallConfigurationTable[] = "BootServices.InstallConfigurationTable";
constexpr char kLoadImage[] = "BootServices.LoadImage";
constexpr char kStartImage[] = "BootServices.StartImage";
constexpr char kExit[] = "BootServices.Exit";
constexpr char kUnloadImage[] = "BootServices.UnloadImage";
constexpr char kExitBootServices[] = "BootServices.ExitBootServices";
constexpr char kGetNextMonotonicCount[] = "BootServices.GetNextMonotonicCount";
constexpr char kStall[] = "BootServices.Stall";
constexpr char kSetWatchdogTimer[] = "BootServices.SetWatchdogTimer";
constexpr char kConnectController[] = "BootServices.ConnectController";
constexpr char kDisconnectController[] = "BootServices.DisconnectController";
constexpr char kOpenProtocol[] = "BootServices.OpenProtocol";
constexpr char kCloseProtocol[] = "BootServices.CloseProtocol";
constexpr char kOpenProtocolInformation[] = "BootServices.OpenProtocolInformation";
constexpr char kProtocolsPerHandle[] = "BootServices.ProtocolsPerHandle";
constexpr char kCalculateCrc32[] = "BootServices.CalculateCrc32";
constexpr char kCreateEventEx[] = "BootServices.CreateEventEx";

}  // namespace

EFI_BOOT_SERVICES MakeBootServices() {
  EFI_BOOT_SERVICES table{};
  table.RaiseTPL = RaiseTpl;
  table.RestoreTPL = RestoreTpl;
  SetUnexpected<kAllocatePages>(table.AllocatePages);
  SetUnexpected<kFreePages>(table.FreePages);
  table.GetMemoryMap = GetMemoryMap;
  table.AllocatePool = AllocatePool;
  table.FreePool = FreePool;
  table.CreateEvent = CreateEvent;
  SetUnexpected<kSetTimer>(table.SetTimer);
  SetUnexpected<kWaitForEvent>(table.WaitForEvent);
  table.SignalEvent = SignalEvent;
  table.CloseEvent = CloseEvent;
  SetUnexpected<kCheckEvent>(table.CheckEvent);
  table.InstallProtocolInterface = InstallProtocolInterface;
  SetUnexpected<kReinstall>(table.ReinstallProtocolInterface);
  SetUnexpected<kUninstall>(table.UninstallProtocolInterface);
  table.HandleProtocol = HandleProtocol;
  table.Reserved = reinterpret_cast<VOID *>(&UnexpectedCall<EFI_STATUS(EFIAPI *)()>::Call<kReserved>);
  table.RegisterProtocolNotify = RegisterProtocolNotify;
  SetUnexpected<kLocateHandle>(table.LocateHandle);
  SetUnexpected<kLocateDevicePath>(table.LocateDevicePath);
  SetUnexpected<kInstallConfigurationTable>(table.InstallConfigurationTable);
  SetUnexpected<kLoadImage>(table.LoadImage);
  SetUnexpected<kStartImage>(table.StartImage);
  SetUnexpected<kExit>(table.Exit);
  SetUnexpected<kUnloadImage>(table.UnloadImage);
  SetUnexpected<kExitBootServices>(table.ExitBootServices);
  SetUnexpected<kGetNextMonotonicCount>(table.GetNextMonotonicCount);
  SetUnexpected<kStall>(table.Stall);
  SetUnexpected<kSetWatchdogTimer>(table.SetWatchdogTimer);
  SetUnexpected<kConnectController>(table.ConnectController);
  SetUnexpected<kDisconnectController>(table.DisconnectController);
  SetUnexpected<kOpenProtocol>(table.OpenProtocol);
  SetUnexpected<kCloseProtocol>(table.CloseProtocol);
  SetUnexpected<kOpenProtocolInformation>(table.OpenProtocolInformation);
  SetUnexpected<kProtocolsPerHandle>(table.ProtocolsPerHandle);
  table.LocateHandleBuffer = LocateHandleBuffer;
  table.LocateProtocol = LocateProtocol;
  table.InstallMultipleProtocolInterfaces = InstallMultipleProtocolInterfaces;
  table.UninstallMultipleProtocolInterfaces = UninstallMultipleProtocolInterfaces;
  SetUnexpected<kCalculateCrc32>(table.CalculateCrc32);
  table.CopyMem = CopyMem;
  table.SetMem = SetMem;
  SetUnexpected<kCreateEventEx>(table.CreateEventEx);
  return table;
}

}  // namespace sim
