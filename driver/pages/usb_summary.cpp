// The USB page (class 2): a count of each kind of device the USB stack found and
// the names of up to sixteen mass-storage devices. On the way it clears the
// second byte of UsbMassDevNum for the USB driver that owns the variable.
#include "core/firmware_calls.h"
#include "core/string_service.h"
#include "pages/page_providers.h"
#include "pages/usb_summary_text.h"
#include "platform/firmware_services.h"

namespace {

constexpr UINT16 kUsbClass = 2;
constexpr UINT16 kSummaryStringId = 1520;
constexpr UINT16 kFirstNameStringId = 1545;
constexpr UINTN kNameSlots = 16;
constexpr UINT8 kNameSize = 48;

// Returns false when the variable cannot be read (missing, or longer than 2 bytes).
BOOLEAN ClearMassDeviceByte() {
  UINT8 DevNum[2] = {0, 0};
  UINTN Size = sizeof(DevNum);
  if (EfiError(ReadVariable(u"UsbMassDevNum", &kSetupVariableGuid, &Size, DevNum))) {
    return false;
  }
  DevNum[1] = 0;
  StoreVariable(u"UsbMassDevNum", &kSetupVariableGuid, kAttrBsRt, Size, DevNum);
  return true;
}

void SetMassStorageNames(EFI_HII_HANDLE HiiHandle, UsbDeviceInfoProtocol *Usb) {
  UINT8 Cursor = 0;
  for (UINTN Slot = 0; Slot < kNameSlots; Slot++) {
    // One byte more than the USB driver may fill, so a name without terminator still ends.
    CHAR8 Name[kNameSize + 1];
    MemFill(Name, sizeof(Name), 0);
    UINT8 Next = Usb->GetMassStorageName(Name, kNameSize, Cursor);
    if (Next == kUsbNoDevice) {
      return;
    }
    SetPageString(HiiHandle, (UINT16)(kFirstNameStringId + Slot), u"%a", Name);
    if ((Next & kUsbLastDevice) != 0) {
      return;
    }
    Cursor = Next;
  }
}

}  // namespace

VOID UsbSummaryProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass) {
  if (FormClass != kUsbClass || !ClearMassDeviceByte()) {
    return;
  }
  UsbDeviceInfoProtocol *Usb = nullptr;
  if (!LocateInterface(&kUsbDeviceInfoProtocolGuid, reinterpret_cast<VOID **>(&Usb))) {
    return;
  }
  UINT8 Counts[kUsbDeviceKindCount];
  MemFill(Counts, sizeof(Counts), 0);
  Usb->GetDeviceCounts(Counts);
  CHAR16 Summary[kUsbSummaryCapacity];
  BuildUsbSummary(Counts, Summary);
  SetPageString(HiiHandle, kSummaryStringId, u"%s", Summary);
  SetMassStorageNames(HiiHandle, Usb);
}
