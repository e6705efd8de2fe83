#include "sim/machine/protocol_database.h"

#include <algorithm>

#include "sim/machine/guid_text.h"

namespace sim {

bool ProtocolDatabase::IsHandle(EFI_HANDLE handle) const {
  return handle != nullptr && std::any_of(handles_.begin(), handles_.end(),
                                          [&](const std::unique_ptr<HandleRecord> &h) { return h.get() == handle; });
}

EFI_HANDLE ProtocolDatabase::CreateHandle() {
  handles_.push_back(std::make_unique<HandleRecord>());
  return handles_.back().get();
}

const ProtocolDatabase::InterfaceRecord *ProtocolDatabase::FindInterface(EFI_HANDLE handle,
                                                                         const EFI_GUID &protocol) const {
  for (const InterfaceRecord &record : interfaces_) {
    if (record.handle == handle && GuidEqual(record.protocol, protocol)) return &record;
  }
  return nullptr;
}

ProtocolDatabase::Registration *ProtocolDatabase::FindRegistration(VOID *key) {
  for (auto &registration : registrations_) {
    if (registration.get() == key) return registration.get();
  }
  return nullptr;
}

EFI_STATUS ProtocolDatabase::CheckInstall(const EFI_HANDLE *handle, const InterfaceList &interfaces) const {
  if (handle == nullptr) return EFI_INVALID_PARAMETER;
  if (*handle != nullptr && !IsHandle(*handle)) return EFI_INVALID_PARAMETER;
  for (size_t i = 0; i < interfaces.size(); ++i) {
    const EFI_GUID *protocol = interfaces[i].first;
    if (protocol == nullptr) return EFI_INVALID_PARAMETER;
    if (*handle != nullptr && FindInterface(*handle, *protocol) != nullptr) return EFI_INVALID_PARAMETER;
    for (size_t j = 0; j < i; ++j) {
      if (GuidEqual(*interfaces[j].first, *protocol)) return EFI_INVALID_PARAMETER;
    }
  }
  return EFI_SUCCESS;
}

EFI_STATUS ProtocolDatabase::Install(EFI_HANDLE *handle, const EFI_GUID *protocol, VOID *interface) {
  return InstallMultiple(handle, {{protocol, interface}});
}

EFI_STATUS ProtocolDatabase::InstallMultiple(EFI_HANDLE *handle, const InterfaceList &interfaces) {
  EFI_STATUS status = CheckInstall(handle, interfaces);
  if (EfiError(status)) return status;
  if (*handle == nullptr) *handle = CreateHandle();
  // Notify functions may register or close events, so the events are signalled
  // only once every interface is in place.
  std::vector<EFI_EVENT> toSignal;
  for (const auto &[protocol, interface] : interfaces) {
    interfaces_.push_back({*handle, *protocol, interface});
    for (auto &registration : registrations_) {
      if (!GuidEqual(registration->protocol, *protocol)) continue;
      registration->installedSince.push_back(*handle);
      toSignal.push_back(registration->event);
    }
  }
  for (EFI_EVENT event : toSignal) events_.Signal(event);
  return EFI_SUCCESS;
}

EFI_STATUS ProtocolDatabase::HandleProtocol(EFI_HANDLE handle, const EFI_GUID *protocol, VOID **interface) const {
  if (protocol == nullptr || interface == nullptr || !IsHandle(handle)) return EFI_INVALID_PARAMETER;
  const InterfaceRecord *record = FindInterface(handle, *protocol);
  *interface = record != nullptr ? record->interface : nullptr;
  return record != nullptr ? EFI_SUCCESS : EFI_UNSUPPORTED;
}

EFI_HANDLE ProtocolDatabase::NextRegisteredHandle(Registration &registration) {
  while (!registration.installedSince.empty()) {
    EFI_HANDLE handle = registration.installedSince.front();
    registration.installedSince.pop_front();
    if (FindInterface(handle, registration.protocol) != nullptr) return handle;
  }
  return nullptr;
}

EFI_STATUS ProtocolDatabase::Locate(const EFI_GUID *protocol, VOID *registration, VOID **interface) {
  if (interface == nullptr) return EFI_INVALID_PARAMETER;
  *interface = nullptr;
  if (protocol == nullptr) return EFI_INVALID_PARAMETER;
  if (registration != nullptr) {
    Registration *found = FindRegistration(registration);
    EFI_HANDLE handle = found != nullptr ? NextRegisteredHandle(*found) : nullptr;
    if (handle == nullptr) return EFI_NOT_FOUND;
    *interface = FindInterface(handle, found->protocol)->interface;
    return EFI_SUCCESS;
  }
  for (const InterfaceRecord &record : interfaces_) {
    if (GuidEqual(record.protocol, *protocol)) {
      *interface = record.interface;
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS ProtocolDatabase::RegisterNotify(const EFI_GUID *protocol, EFI_EVENT event, VOID **registration) {
  if (protocol == nullptr || registration == nullptr || !events_.Exists(event)) return EFI_INVALID_PARAMETER;
  registrations_.push_back(std::make_unique<Registration>(Registration{*protocol, event, {}}));
  *registration = registrations_.back().get();
  return EFI_SUCCESS;
}

EFI_STATUS ProtocolDatabase::LocateHandles(EFI_LOCATE_SEARCH_TYPE type, const EFI_GUID *protocol, VOID *searchKey,
                                           std::vector<EFI_HANDLE> &found) {
  found.clear();
  switch (type) {
    case AllHandles:
      for (const auto &handle : handles_) found.push_back(handle.get());
      break;
    case ByProtocol:
      if (protocol == nullptr) return EFI_INVALID_PARAMETER;
      for (const InterfaceRecord &record : interfaces_) {
        if (GuidEqual(record.protocol, *protocol)) found.push_back(record.handle);
      }
      break;
    case ByRegisterNotify: {
      // As LocateHandle does, one handle per call: the next one new to the registration.
      Registration *registration = FindRegistration(searchKey);
      if (registration == nullptr) return EFI_INVALID_PARAMETER;
      if (EFI_HANDLE handle = NextRegisteredHandle(*registration)) found.push_back(handle);
      break;
    }
    default:
      return EFI_INVALID_PARAMETER;
  }
  return found.empty() ? EFI_NOT_FOUND : EFI_SUCCESS;
}

void ProtocolDatabase::ForgetEvent(EFI_EVENT event) {
  registrations_.erase(std::remove_if(registrations_.begin(), registrations_.end(),
                                      [&](const std::unique_ptr<Registration> &r) { return r->event == event; }),
                       registrations_.end());
}

}  // namespace sim
