// A UEFI machine in a process, built from a board profile: a real system table
// with boot, runtime and DXE services, the configuration table with the HOB
// list, the protocol database with the board's protocols, the HII database
// behind the string service, pool accounting and the event log.
//
// The tables' functions carry no context, so they act on the current machine:
// the most recently built one that is still alive (building nests, as with
// ActiveHardware).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "sim/board_profile.h"
#include "sim/machine/event_log.h"
#include "sim/machine/event_service.h"
#include "sim/machine/firmware_tables.h"
#include "sim/machine/hii_database.h"
#include "sim/machine/memory_storage_platform.h"
#include "sim/machine/peripherals_platform.h"
#include "sim/machine/pool_allocator.h"
#include "sim/machine/processor_platform.h"
#include "sim/machine/protocol_database.h"
#include "sim/machine/service_faults.h"
#include "sim/machine/service_tables.h"
#include "sim/variable_store.h"

namespace sim {

class Machine {
 public:
  // Installs the board protocols the profile has present at load. The machine
  // reads the profile for its whole life without copying it (a boot would
  // otherwise copy every package list), so the profile must outlive it.
  Machine(const BoardProfile &profile, VariableStore &store);
  Machine(BoardProfile &&profile, VariableStore &store) = delete;
  ~Machine();
  Machine(const Machine &) = delete;
  Machine &operator=(const Machine &) = delete;

  // The machine the tables act on; aborts the process when none is alive,
  // since a table function has no way to report that.
  static Machine &Current();

  EFI_SYSTEM_TABLE *SystemTable() { return &systemTable_; }
  EFI_HANDLE ImageHandle() const { return imageHandle_; }

  const BoardProfile &Profile() const { return profile_; }
  VariableStore &Store() { return store_; }
  EventLog &Log() { return log_; }
  PoolAllocator &Pool() { return pool_; }
  EventService &Events() { return events_; }
  ProtocolDatabase &Protocols() { return protocols_; }
  HiiDatabase &Hii() { return hii_; }
  ServiceFaults &Faults() { return faults_; }
  std::vector<StoredVariable> &VariableWrites() { return variableWrites_; }
  // Counts an accepted SetVariable and, when changes are recorded, keeps the
  // variable as it now stands in VariableWrites.
  void NoteVariableWrite(const char16_t *name, const EFI_GUID &guid, uint32_t attributes);
  size_t VariableWriteCount() const { return variableWriteCount_; }
  // Off, neither string changes nor variable writes are kept, only counted: a
  // boot checked only for soundness reads none of them.
  void RecordChanges(bool record);
  // The board's registers behind BoardRegisterProtocol; writes land here.
  std::map<uint32_t, uint64_t> &BoardRegisters() { return boardRegisters_; }
  // The Super I/O, USB, management engine, message box and FRU side of the board.
  PeripheralsPlatform &Peripherals() { return peripherals_; }

  // Installs, each on a new handle, the board protocols the profile schedules
  // for that moment; installs after load are logged as "protocol-installed".
  void InstallBoardProtocols(Install when);
  // A protocol and the moment the profile schedules it for.
  struct ScheduledProtocol {
    Install install;
    const EFI_GUID *protocol;
    VOID *interface;
    const char *name;
  };
  // Installs, each on a new handle and logged as above, the protocols scheduled for that moment.
  void InstallScheduled(Install when, const std::vector<ScheduledProtocol> &protocols);
  // Installs the protocol that releases the driver's deferred publishing.
  void InstallPublishTrigger();
  // Calls the form callback of the published package list of that class, as
  // the menu browser does; logs "callback-skipped" when there is none.
  void CallFormCallback(uint16_t formClass, uint16_t key);
  // The dispatcher unloads an image whose entry point returns an error. What the
  // image left registered then points into freed code: a later call of one of
  // its notify functions or form callbacks is logged as "unloaded-image-call"
  // and not made.
  void UnloadImage();

  void ReportUnexpectedCall(const char *member);
  // The driver must return to its caller at the TPL it was called at; when it
  // did not, logs "tpl-misuse" naming the call and restores TPL_APPLICATION.
  void CheckTplRestored(const char *after);

 private:
  void InstallLogged(const EFI_GUID &protocol, VOID *interface, const char *name);

  const BoardProfile &profile_;
  VariableStore &store_;
  EventLog log_;
  PoolAllocator pool_;
  EventService events_;
  ProtocolDatabase protocols_;
  HiiDatabase hii_;
  ServiceFaults faults_;
  std::vector<StoredVariable> variableWrites_;
  size_t variableWriteCount_ = 0;
  bool recordChanges_ = true;
  std::map<uint32_t, uint64_t> boardRegisters_;
  PeripheralsPlatform peripherals_;

  std::u16string firmwareVendor_;
  EFI_BOOT_SERVICES bootServices_;
  EFI_RUNTIME_SERVICES runtimeServices_;
  DxeServicesTable dxeServices_{};
  std::vector<uint64_t> hobList_;
  std::vector<EFI_CONFIGURATION_TABLE> configurationTable_;
  EFI_SYSTEM_TABLE systemTable_{};

  StringServiceInterface stringService_;
  EFI_HII_PROTOCOL frameworkHii_;
  BoardQueryInterface boardQuery_;
  BoardRegisterInterface boardRegister_;
  ProcessorFirmware processorFirmware_;
  uint64_t publishTrigger_ = 0;  // the trigger's interface carries nothing; only its install matters
  MemoryStoragePlatform memoryStorage_{profile_.memoryStorage};

  EFI_HANDLE imageHandle_ = nullptr;
  Machine *previous_;
};

}  // namespace sim
