#include "pages/chipset_storage_drives.h"

#include "core/string_service.h"
#include "format/format.h"
#include "platform/firmware_services.h"
#include "platform/hardware_access.h"
#include "uefi/disk_info.h"

namespace {

constexpr UINTN kSataPortCount = 6;
const UINT16 SataPortStringIds[kSataPortCount] = {273, 274, 275, 276, 277, 278};

constexpr UINT8 kSataChannelDeviceMode = 1;
constexpr UINT8 kSataFunction = 2;
constexpr UINT8 kSataSecondFunction = 5;  // the second controller when addressing by channel and device
constexpr UINT8 kNotSataDevice = 3;
constexpr UINT8 kEndTypeAlternate = 0xFF;  // also taken as the end of a path, beside END_DEVICE_PATH_TYPE

// IDENTIFY words read, and the model text.
constexpr UINTN kGeneralConfigWord = 0;
constexpr UINT16 kPacketDeviceBit = 0x8000;
constexpr UINTN kModelOffset = 54;  // bytes; words 27-46
constexpr UINTN kModelBytes = 40;
constexpr UINTN kModelShown = 14;
constexpr UINTN kSectors28Word = 60;
constexpr UINTN kCommandSetWord = 83;
constexpr UINT16 kLba48Bit = 0x0400;
constexpr UINTN kSectors48Word = 100;
constexpr UINTN kSectorSizeInfoWord = 106;
constexpr UINT16 kSectorSizeInfoValidMask = 0xC000;
constexpr UINT16 kSectorSizeInfoValid = 0x4000;  // bit 14 set, bit 15 clear
constexpr UINT16 kLongLogicalSectorBit = 0x1000;
constexpr UINTN kLogicalSectorWordsWord = 117;   // 117 low half, 118 high half

constexpr UINT64 kBytesPerGigabyte = 1000000000ULL;
constexpr UINT64 kBytesPerTenth = 100000000ULL;

UINT64 IdentifyWord(const UINT8 *Identify, UINTN Word) {
  return (UINT64)Identify[2 * Word] | (UINT64)Identify[2 * Word + 1] << 8;
}

UINT64 IdentifyWords(const UINT8 *Identify, UINTN FirstWord, UINTN Count) {
  UINT64 Value = 0;
  for (UINTN Word = FirstWord + Count; Word > FirstWord; --Word) {
    Value = Value << 16 | IdentifyWord(Identify, Word - 1);
  }
  return Value;
}

UINT64 DriveBytes(const UINT8 *Identify) {
  const bool Lba48 = (IdentifyWord(Identify, kCommandSetWord) & kLba48Bit) != 0;
  const UINT64 Sectors = Lba48 ? IdentifyWords(Identify, kSectors48Word, 4) : IdentifyWords(Identify, kSectors28Word, 2);
  UINT64 SectorBytes = 512;
  const UINT64 SizeInfo = IdentifyWord(Identify, kSectorSizeInfoWord);
  if (Lba48 && (SizeInfo & kSectorSizeInfoValidMask) == kSectorSizeInfoValid && (SizeInfo & kLongLogicalSectorBit) != 0) {
    SectorBytes = IdentifyWords(Identify, kLogicalSectorWordsWord, 2) * 2;
  }
  return Mul64(Sectors, SectorBytes);
}

// The line index of a drive, or -1 when its place has no line.
INTN SataLineIndex(UINT8 SataMode, UINT8 Function, UINT32 Channel, UINT32 Device) {
  if (SataMode != kSataChannelDeviceMode) {
    return Channel < kSataPortCount ? (INTN)Channel : -1;
  }
  if (Function == kSataFunction && Channel <= 1 && Device <= 1) {
    return (INTN)(Channel + 2 * Device);
  }
  if (Function == kSataSecondFunction && Channel <= 1 && Device == 0) {
    return (INTN)(Channel + 4);
  }
  return -1;
}

void SetDriveLine(EFI_HII_HANDLE HiiHandle, EFI_HANDLE Handle, UINT8 SataMode, CHAR8 *Text) {
  EFI_DEVICE_PATH_PROTOCOL *Path = nullptr;
  if (EfiError(gBS->HandleProtocol(Handle, const_cast<EFI_GUID *>(&kEfiDevicePathProtocolGuid),
                                   reinterpret_cast<VOID **>(&Path))) ||
      Path == nullptr) {
    return;
  }
  const PCI_DEVICE_PATH *Pci = FindPciNode(Path, kDevicePathWalkLimit);
  if (Pci == nullptr || Pci->Device == kNotSataDevice ||
      (Pci->Function != kSataFunction && Pci->Function != kSataSecondFunction)) {
    return;
  }
  EFI_DISK_INFO_PROTOCOL *Disk = nullptr;
  if (EfiError(gBS->HandleProtocol(Handle, const_cast<EFI_GUID *>(&kEfiDiskInfoProtocolGuid),
                                   reinterpret_cast<VOID **>(&Disk))) ||
      Disk == nullptr) {
    return;
  }
  UINT32 Channel = 0;
  UINT32 Device = 0;
  if (EfiError(Disk->WhichIde(Disk, &Channel, &Device))) {
    return;
  }
  const INTN Line = SataLineIndex(SataMode, Pci->Function, Channel, Device);
  if (Line < 0) {
    return;
  }
  auto *Identify = static_cast<UINT8 *>(AllocateZeroedPool(kIdentifySize));
  if (Identify == nullptr) {
    return;
  }
  // A failed Identify leaves zeros: an empty model of no capacity.
  UINT32 IdentifySize = kIdentifySize;
  Disk->Identify(Disk, Identify, &IdentifySize);
  DescribeDrive(Identify, Text);
  SetPageString(HiiHandle, SataPortStringIds[Line], u"%S", Text);
  gBS->FreePool(Identify);
}

}  // namespace

const PCI_DEVICE_PATH *FindPciNode(const EFI_DEVICE_PATH_PROTOCOL *Path, UINTN Limit) {
  const UINT8 *At = reinterpret_cast<const UINT8 *>(Path);
  UINTN Left = Limit;
  while (Left >= sizeof(EFI_DEVICE_PATH_PROTOCOL)) {
    const auto *Node = reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(At);
    if (Node->Type == END_DEVICE_PATH_TYPE || Node->Type == kEndTypeAlternate) {
      return nullptr;
    }
    const UINTN Length = DevicePathNodeLength(Node);
    if (Length < sizeof(EFI_DEVICE_PATH_PROTOCOL) || Length > Left) {
      return nullptr;
    }
    if (Node->Type == HARDWARE_DEVICE_PATH && Node->SubType == HW_PCI_DP) {
      return Length >= sizeof(PCI_DEVICE_PATH) ? reinterpret_cast<const PCI_DEVICE_PATH *>(Node) : nullptr;
    }
    At += Length;
    Left -= Length;
  }
  return nullptr;
}

void DescribeDrive(const UINT8 *Identify, CHAR8 *Text) {
  CHAR8 Model[kModelBytes + 2];
  MemFill(Model, sizeof(Model), 0);
  // ATA stores each pair of model characters with its bytes swapped.
  for (UINTN Byte = 0; Byte < kModelBytes; Byte += 2) {
    Model[Byte] = (CHAR8)Identify[kModelOffset + Byte + 1];
    Model[Byte + 1] = (CHAR8)Identify[kModelOffset + Byte];
  }
  Model[kModelShown] = 0;
  if ((IdentifyWord(Identify, kGeneralConfigWord) & kPacketDeviceBit) != 0) {
    FormatAscii(Text, kDriveTextSize, "%s ATAPI", Model);
    return;
  }
  UINT64 Remainder = 0;
  const UINT64 Gigabytes = DivRem64(DriveBytes(Identify), kBytesPerGigabyte, &Remainder);
  FormatAscii(Text, kDriveTextSize, "%s (%d.%dGB)", Model, Gigabytes, DivRem64(Remainder, kBytesPerTenth, nullptr));
}

void SetSataLinesDisabled(EFI_HII_HANDLE HiiHandle) {
  for (UINT16 StringId : SataPortStringIds) {
    SetPageString(HiiHandle, StringId, u"%a", "Disabled");
  }
}

void SetDriveLines(EFI_HII_HANDLE HiiHandle, UINT8 SataMode, CHAR8 *Text) {
  UINTN Count = 0;
  EFI_HANDLE *Handles = nullptr;
  if (EfiError(gBS->LocateHandleBuffer(ByProtocol, const_cast<EFI_GUID *>(&kEfiDiskInfoProtocolGuid), nullptr, &Count,
                                       &Handles))) {
    return;
  }
  for (UINTN Index = 0; Index < Count; ++Index) {
    SetDriveLine(HiiHandle, Handles[Index], SataMode, Text);
  }
  if (Handles != nullptr) {
    gBS->FreePool(Handles);
  }
}
