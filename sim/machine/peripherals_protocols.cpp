// The peripherals' protocol functions: the USB driver's device report, the
// management engine's request object and the firmware's message box, which the
// platform shows as a "message-box" event.
#include <algorithm>
#include <cstring>

#include "sim/machine/machine.h"
#include "sim/machine/platform_records.h"
#include "sim/machine/protocol_member.h"
#include "sim/machine/unexpected_call.h"
#include "sim/machine/utf16_text.h"

namespace sim {

namespace {

const PeripheralsSpec &Peripherals() { return Machine::Current().Peripherals().Board(); }

EFI_STATUS EFIAPI GetDeviceCounts(UINT8 *counts) {
  if (counts == nullptr) return EFI_INVALID_PARAMETER;
  const std::array<uint8_t, 6> &reported = Peripherals().usb.counts;
  std::copy(reported.begin(), reported.end(), counts);
  return EFI_SUCCESS;
}

// The cursor is the index of the device to name. The name and its terminator are
// cut to the caller's size, so a name of size characters or more ends unterminated.
UINT8 EFIAPI GetMassStorageName(CHAR8 *buffer, UINT8 size, UINT8 cursor) {
  const std::vector<std::string> &names = Peripherals().usb.massStorageNames;
  if (buffer == nullptr || cursor >= names.size()) return usb_device_info_protocol::kNoDevice;
  const std::string &name = names[cursor];
  std::memcpy(buffer, name.c_str(), std::min<size_t>(name.size() + 1, size));
  const auto next = static_cast<UINT8>(cursor + 1);
  return next == names.size() ? static_cast<UINT8>(next | usb_device_info_protocol::kLastDevice) : next;
}

// Answers the requests the profile lists; any other request fails.
EFI_STATUS EFIAPI MeRequest(VOID *, UINT32 code, VOID *result) {
  const std::map<uint32_t, std::vector<uint8_t>> &responses = Peripherals().managementEngine.responses;
  const auto response = responses.find(code);
  if (response == responses.end()) return EFI_UNSUPPORTED;
  if (result == nullptr) return EFI_INVALID_PARAMETER;
  std::copy(response->second.begin(), response->second.end(), static_cast<uint8_t *>(result));  // may be empty
  return EFI_SUCCESS;
}

// The 16-bit text at text as UTF-8, read up to its terminator or a bound that keeps
// a stray pointer from running on.
std::string Displayed(const CHAR16 *text) {
  constexpr size_t kLongestText = 1024;
  if (text == nullptr) return "(null)";
  std::u16string wide;
  while (wide.size() < kLongestText && text[wide.size()] != 0) wide += text[wide.size()];
  return Utf16ToUtf8(wide).value_or("(not UTF-16)");
}

EFI_STATUS EFIAPI ShowMessageBox(const CHAR16 *title, const CHAR16 *message, UINTN type, UINT8 *result) {
  Machine &machine = Machine::Current();
  machine.Log().Record("message-box", "\"" + Displayed(title) + "\": \"" + Displayed(message) + "\"",
                       {{"type", type}});
  if (result != nullptr) *result = 0;  // the user confirmed the box
  return EFI_SUCCESS;
}

constexpr char kUsbReserved0[] = "UsbDeviceInfo.Reserved0";
constexpr char kUsbReserved1[] = "UsbDeviceInfo.Reserved1";
constexpr char kBoxReserved0[] = "MessageBox.Reserved0";
constexpr char kBoxReserved1[] = "MessageBox.Reserved1";
constexpr char kBoxReserved2[] = "MessageBox.Reserved2";
constexpr char kBoxReserved3[] = "MessageBox.Reserved3";

}  // namespace

UsbDeviceInfoInterface MakeUsbDeviceInfo() {
  UsbDeviceInfoInterface protocol{};
  SetUnexpectedSlot<kUsbReserved0>(protocol.slots[0]);
  SetUnexpectedSlot<kUsbReserved1>(protocol.slots[1]);
  SetSlot<GetDeviceCounts>(protocol.slots[usb_device_info_protocol::kGetDeviceCounts]);
  SetSlot<GetMassStorageName>(protocol.slots[usb_device_info_protocol::kGetMassStorageName]);
  return protocol;
}

// The request object's first ten slots belong to the management engine's driver.
MeRequestInterface MakeMeRequests() {
  MeRequestInterface requests{};
  SetSlot<MeRequest>(requests.slots[me_info_protocol::kRequest]);
  return requests;
}

MessageBoxInterface MakeMessageBox() {
  MessageBoxInterface protocol{};
  SetUnexpectedSlot<kBoxReserved0>(protocol.slots[0]);
  SetUnexpectedSlot<kBoxReserved1>(protocol.slots[1]);
  SetUnexpectedSlot<kBoxReserved2>(protocol.slots[2]);
  SetUnexpectedSlot<kBoxReserved3>(protocol.slots[3]);
  SetSlot<ShowMessageBox>(protocol.slots[message_box_protocol::kMessageBox]);
  return protocol;
}

}  // namespace sim
