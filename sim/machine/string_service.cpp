// StringServiceProtocol: publishes the setup package lists from the board's
// HII database and replaces their strings.
#include <cstring>

#include "sim/machine/protocol_member.h"
#include "sim/machine/service_tables.h"
#include "sim/machine/unexpected_call.h"

namespace sim {

namespace {

using PackageListCallback = void(EFIAPI *)(uint16_t hiiHandle, void *entry);

EFI_STATUS EFIAPI PublishPackageLists(EFI_HANDLE, UINTN count, VOID *table, PackageListCallback callback) {
  if (table == nullptr && count != 0) return EFI_INVALID_PARAMETER;
  Machine &machine = Machine::Current();
  for (UINTN i = 0; i < count; ++i) {
    uint8_t *entry = static_cast<uint8_t *>(table) + i * setup_package_entry::kSize;
    const auto formClass = static_cast<uint16_t>(GetLittleEndian(entry + setup_package_entry::kClass, 2));
    const PackageListSpec *source = machine.Hii().ListOfClass(formClass);
    if (source == nullptr) continue;  // the board has no package list of that class
    void *instance = nullptr;
    std::memcpy(&instance, entry + setup_package_entry::kCallbackInstance, sizeof instance);
    PublishedList *list = machine.Hii().Publish(*source, instance);
    if (list == nullptr) return EFI_OUT_OF_RESOURCES;
    PutLittleEndian(entry + setup_package_entry::kHiiHandle, list->handle, 2);
    machine.Log().Record("package-list-published", "", {{"class", formClass}, {"handle", list->handle}});
    if (callback != nullptr) callback(list->handle, entry);
  }
  return EFI_SUCCESS;
}

const char *RejectionReason(const PublishedList *list, const CHAR16 *text) {
  if (list == nullptr) return "unknown handle";
  if (text == nullptr) return "null text";
  return "no such string id in the package list";
}

EFI_STATUS EFIAPI SetString(uint16_t handle, UINT16 stringId, const CHAR16 *text) {
  Machine &machine = Machine::Current();
  const EFI_STATUS status = machine.Hii().SetString(handle, stringId, text);
  if (EfiError(status)) {
    const PublishedList *list = machine.Hii().Find(handle);
    machine.Log().Record("string-rejected", RejectionReason(list, text),
                         {{"class", list != nullptr ? list->source->formClass : 0},
                          {"handle", handle},
                          {"stringId", stringId},
                          {"status", status}});
  }
  return status;
}

constexpr char kReserved1[] = "StringService.Reserved1";
constexpr char kReserved2[] = "StringService.Reserved2";
constexpr char kReserved3[] = "StringService.Reserved3";
constexpr char kReserved4[] = "StringService.Reserved4";
constexpr char kReserved5[] = "StringService.Reserved5";

}  // namespace

StringServiceInterface MakeStringService() {
  StringServiceInterface protocol{};
  SetSlot<PublishPackageLists>(protocol.slots[string_service_protocol::kPublishPackageLists]);
  SetUnexpectedSlot<kReserved1>(protocol.slots[1]);
  SetUnexpectedSlot<kReserved2>(protocol.slots[2]);
  SetUnexpectedSlot<kReserved3>(protocol.slots[3]);
  SetUnexpectedSlot<kReserved4>(protocol.slots[4]);
  SetUnexpectedSlot<kReserved5>(protocol.slots[5]);
  SetSlot<SetString>(protocol.slots[string_service_protocol::kSetString]);
  return protocol;
}

}  // namespace sim
