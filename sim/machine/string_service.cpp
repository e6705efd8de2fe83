// StringServiceProtocol: publishes the setup package lists from the board's
// HII database and replaces their strings.
#include "sim/machine/protocol_member.h"
#include "sim/machine/service_tables.h"
#include "sim/machine/unexpected_call.h"

namespace sim {

namespace {

EFI_STATUS EFIAPI PublishPackageLists(EFI_HANDLE, UINTN count, SetupPackageEntry *table,
                                      PACKAGE_LIST_CALLBACK callback) {
  if (table == nullptr && count != 0) return EFI_INVALID_PARAMETER;
  Machine &machine = Machine::Current();
  for (UINTN i = 0; i < count; ++i) {
    SetupPackageEntry &entry = table[i];
    const PackageListSpec *source = machine.Hii().ListOfClass(entry.Class);
    if (source == nullptr) continue;  // the board has no package list of that class
    PublishedList *list = machine.Hii().Publish(*source, entry.CallbackInstance);
    if (list == nullptr) return EFI_OUT_OF_RESOURCES;
    entry.HiiHandle = list->handle;
    machine.Log().Record("package-list-published", "", {{"class", entry.Class}, {"handle", list->handle}});
    if (callback != nullptr) callback(list->handle, &entry);
  }
  return EFI_SUCCESS;
}

const char *RejectionReason(const PublishedList *list, const CHAR16 *text) {
  if (list == nullptr) return "unknown handle";
  if (text == nullptr) return "null text";
  return "no such string id in the package list";
}

EFI_STATUS EFIAPI SetString(EFI_HII_HANDLE handle, UINT16 stringId, const CHAR16 *text) {
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

StringServiceProtocol MakeStringService() {
  StringServiceProtocol protocol{};
  SetMember<PublishPackageLists>(protocol.PublishPackageLists);
  SetUnexpected<kReserved1>(protocol.Reserved1);
  SetUnexpected<kReserved2>(protocol.Reserved2);
  SetUnexpected<kReserved3>(protocol.Reserved3);
  SetUnexpected<kReserved4>(protocol.Reserved4);
  SetUnexpected<kReserved5>(protocol.Reserved5);
  SetMember<SetString>(protocol.SetString);
  return protocol;
}

}  // namespace sim
