// Handles and the protocol interfaces installed on them, with protocol
// notifications: an install signals every event registered for that protocol,
// and LocateProtocol with a registration key hands out each interface
// installed since the registration once, in install order.
#pragma once

#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "driver/uefi/uefi_tables.h"
#include "sim/machine/event_service.h"

namespace sim {

class ProtocolDatabase {
 public:
  explicit ProtocolDatabase(EventService &events) : events_(events) {}

  using InterfaceList = std::vector<std::pair<const EFI_GUID *, VOID *>>;

  // *handle null: a new handle is created and stored there.
  EFI_STATUS Install(EFI_HANDLE *handle, const EFI_GUID *protocol, VOID *interface);
  // All or nothing: every protocol must be new on the handle and listed once.
  EFI_STATUS InstallMultiple(EFI_HANDLE *handle, const InterfaceList &interfaces);
  // What InstallMultiple would return, without installing anything.
  EFI_STATUS CheckInstall(const EFI_HANDLE *handle, const InterfaceList &interfaces) const;
  EFI_STATUS HandleProtocol(EFI_HANDLE handle, const EFI_GUID *protocol, VOID **interface) const;
  EFI_STATUS Locate(const EFI_GUID *protocol, VOID *registration, VOID **interface);
  EFI_STATUS RegisterNotify(const EFI_GUID *protocol, EFI_EVENT event, VOID **registration);
  // The handles a LocateHandle search finds, in the order their protocols were installed.
  EFI_STATUS LocateHandles(EFI_LOCATE_SEARCH_TYPE type, const EFI_GUID *protocol, VOID *searchKey,
                           std::vector<EFI_HANDLE> &found);
  // A closed event loses its protocol registrations.
  void ForgetEvent(EFI_EVENT event);

  bool IsHandle(EFI_HANDLE handle) const;
  // A handle with no protocol yet, such as the driver's image handle.
  EFI_HANDLE CreateHandle();

 private:
  struct HandleRecord {};  // only its address matters: it is the EFI_HANDLE
  struct InterfaceRecord {
    EFI_HANDLE handle;
    EFI_GUID protocol;
    VOID *interface;
  };
  struct Registration {
    EFI_GUID protocol;
    EFI_EVENT event;
    std::deque<EFI_HANDLE> installedSince;
  };

  const InterfaceRecord *FindInterface(EFI_HANDLE handle, const EFI_GUID &protocol) const;
  Registration *FindRegistration(VOID *key);
  EFI_HANDLE NextRegisteredHandle(Registration &registration);

  EventService &events_;
  std::vector<std::unique_ptr<HandleRecord>> handles_;
  std::vector<InterfaceRecord> interfaces_;  // in install order
  std::vector<std::unique_ptr<Registration>> registrations_;
};

}  // namespace sim
