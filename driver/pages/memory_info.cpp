// The memory page: total memory, RAS mode, DIMM speed, capabilities and one line
// per DIMM slot from the MemoryInfo variable; the processor link and the
// populated sockets (published as SetupCpuSockets) from the host data block; the
// onboard video's processor and the capped low-memory size from Setup.
//
// A record shorter than expected is read field by field: a field that does not
// lie wholly inside the bytes read is treated as missing, never taken from the
// unfilled rest of the buffer.
#include "core/firmware_calls.h"
#include "core/setup_record.h"
#include "core/string_service.h"
#include "pages/memory_info_records.h"
#include "pages/page_providers.h"

namespace {

constexpr UINT16 kTotalMemoryId = 326;
constexpr UINT16 kLowMemoryId = 327;
constexpr UINT16 kRasModeId = 824;
constexpr UINT16 kDimmSpeedId = 978;
constexpr UINT16 kMirrorCapableId = 981;
constexpr UINT16 kSpareCapableId = 984;
constexpr UINT16 kVgaCpuId = 1054;
constexpr UINT16 kLinkModeId = 1073;
constexpr UINT16 kLinkSpeedId = 1076;

constexpr UINT8 kMirrorCapableBit = 0x01;
constexpr UINT8 kSpareCapableBit = 0x04;

constexpr UINTN kSocketImageSize = 4;

// One string per DIMM record, 3 slots per channel; records 24 to 35 have no line.
const UINT16 DimmStringTable[kDimmRecordCount] = {
    875, 876, 877, 878, 879, 880, 881, 882, 883, 884, 885, 886,
    887, 888, 889, 890, 891, 892, 893, 894, 895, 896, 897, 898,
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,
};

const CHAR8 *const RasModeNames[] = {"Independent", "Mirroring", "Lock Step", "Sparing"};
const CHAR8 *const DimmSpeedNames[] = {"800 MHz", "1066 MHz", "1333 MHz", "1600 MHz", "1866 MHz"};
const CHAR8 *const LinkSpeedNames[] = {nullptr, "6.4 GT/s", "7.2 GT/s", "8.0 GT/s"};

// A DIMM state shown with its size; Suffix null: the size alone.
struct DimmStateText {
  UINT8 State;
  const CHAR8 *Suffix;
};
const DimmStateText DimmSizedStates[] = {
    {0, nullptr}, {1, "Mirrored"}, {2, "Lock Step"}, {4, "Spared"}, {253, "Error"},
};
constexpr UINT8 kDimmDisabledState = 254;

// The limits byte 281 of Setup selects; any other value means 1024 MB.
constexpr UINTN kLowMemoryLimitCount = 4;
const UINT32 LowMemoryLimits[kLowMemoryLimitCount] = {1024, 2048, 2560, 3072};

// Populated sockets, as last published in SetupCpuSockets. The host data is the
// same for every package list, so after the first list's store the others find
// the image unchanged and leave the variable alone.
UINT8 gSetupCpuSockets[kSocketImageSize];
BOOLEAN gSetupCpuSocketsStored;

bool Holds(UINTN RecordSize, UINTN Offset, UINTN Width) { return Offset + Width <= RecordSize; }

// MemoryInfo in a new pool buffer with the size read, or null when it cannot be read.
MemoryInfoRecord *ReadMemoryInfo(UINTN *Size, EFI_STATUS *Status) {
  auto *Info = static_cast<MemoryInfoRecord *>(AllocateBootPool(sizeof(MemoryInfoRecord)));
  if (Info == nullptr) {
    *Status = EFI_OUT_OF_RESOURCES;
    return nullptr;
  }
  *Size = sizeof(MemoryInfoRecord);
  *Status = ReadVariable(u"MemoryInfo", &kMemoryInfoVariableGuid, Size, Info);
  if (EfiError(*Status)) {
    gBS->FreePool(Info);
    return nullptr;
  }
  return Info;
}

// One byte of Setup, read whole into a SetupData image. A record larger than
// SetupData, or too short to hold the byte, counts as unreadable.
EFI_STATUS ReadSetupByte(UINTN Offset, UINT8 *Value) {
  UINT8 Setup[kSetupDataSize];
  UINTN Size = sizeof(Setup);
  EFI_STATUS Status = ReadVariable(u"Setup", &kSetupVariableGuid, &Size, Setup);
  if (EfiError(Status)) {
    return Status;
  }
  if (!SetupFieldInside(Offset, 1, Size)) {
    return EFI_BAD_BUFFER_SIZE;
  }
  *Value = Setup[Offset];
  return EFI_SUCCESS;
}

// Codes without a name leave the string as the package list holds it.
template <UINTN Count>
void SetNamedString(EFI_HII_HANDLE HiiHandle, UINT16 StringId, const CHAR8 *const (&Names)[Count], UINTN Code) {
  if (Code < Count && Names[Code] != nullptr) {
    SetPageString(HiiHandle, StringId, u"%a", Names[Code]);
  }
}

void SetSummaryStrings(EFI_HII_HANDLE HiiHandle, UINT16 FormClass, const MemoryInfoRecord *Info, UINTN Size) {
  if ((FormClass == 1 || FormClass == 2) && Holds(Size, offsetof(MemoryInfoRecord, TotalMb), 4)) {
    SetPageString(HiiHandle, kTotalMemoryId, u"%4d MB", Info->TotalMb);
  }
  if (Holds(Size, offsetof(MemoryInfoRecord, RasMode), 2)) {
    SetNamedString(HiiHandle, kRasModeId, RasModeNames, Info->RasMode);
  }
  if (Holds(Size, offsetof(MemoryInfoRecord, DimmSpeed), 2)) {
    SetNamedString(HiiHandle, kDimmSpeedId, DimmSpeedNames, Info->DimmSpeed);
  }
  if (Holds(Size, offsetof(MemoryInfoRecord, Capabilities), 1)) {
    if ((Info->Capabilities & kMirrorCapableBit) != 0) {
      SetPageString(HiiHandle, kMirrorCapableId, u"%a", "Supported");
    }
    if ((Info->Capabilities & kSpareCapableBit) != 0) {
      SetPageString(HiiHandle, kSpareCapableId, u"%a", "Supported");
    }
  }
}

// Sockets beyond the 4-byte image are not recorded.
void PublishPopulatedSockets(const UINT8 *Block) {
  UINT8 Sockets[kSocketImageSize] = {0, 0, 0, 0};
  const UINTN Count = Block[kHostSocketCountOffset];
  for (UINTN Socket = 0; Socket < Count && Socket < kSocketImageSize; ++Socket) {
    Sockets[Socket] = Block[kHostSocketPresentOffset + Socket] != 0 ? 1 : 0;
  }
  if (gSetupCpuSocketsStored && MemCompare(Sockets, gSetupCpuSockets, kSocketImageSize) == 0) {
    return;
  }
  MemMove(gSetupCpuSockets, Sockets, kSocketImageSize);
  gSetupCpuSocketsStored =
      !EfiError(StoreNonVolatile(u"SetupCpuSockets", &kSetupVariableGuid, kAttrNvBsRt, kSocketImageSize, Sockets));
}

void SetDimmString(EFI_HII_HANDLE HiiHandle, UINT16 StringId, const MemoryDimmRecord *Dimm) {
  for (const DimmStateText &Sized : DimmSizedStates) {
    if (Sized.State != Dimm->State) {
      continue;
    }
    if (Sized.Suffix == nullptr) {
      SetPageString(HiiHandle, StringId, u"%4d MB", Dimm->SizeMb);
    } else {
      SetPageString(HiiHandle, StringId, u"%4d MB (%a)", Dimm->SizeMb, Sized.Suffix);
    }
    return;
  }
  SetPageString(HiiHandle, StringId, u"%a", Dimm->State == kDimmDisabledState ? "Disabled" : "Not Present");
}

// Only valid records that have a line in DimmStringTable are shown.
void SetDimmStrings(EFI_HII_HANDLE HiiHandle, const MemoryInfoRecord *Info, UINTN Size) {
  for (UINTN Index = 0; Index < kDimmRecordCount; ++Index) {
    const UINTN Offset = offsetof(MemoryInfoRecord, Dimms) + Index * sizeof(MemoryDimmRecord);
    if (!Holds(Size, Offset, sizeof(MemoryDimmRecord))) {
      return;
    }
    const MemoryDimmRecord *Dimm = &Info->Dimms[Index];
    if (Dimm->Valid == 1 && DimmStringTable[Index] != 0) {
      SetDimmString(HiiHandle, DimmStringTable[Index], Dimm);
    }
  }
}

void SetLinkStrings(EFI_HII_HANDLE HiiHandle, const UINT8 *Block) {
  SetNamedString(HiiHandle, kLinkSpeedId, LinkSpeedNames, Block[kHostLinkSpeedOffset]);
  SetPageString(HiiHandle, kLinkModeId, u"%a", Block[kHostLinkModeOffset] == 0 ? "Slow" : "Fast");
}

}  // namespace

// Strings that need MemoryInfo are skipped when it cannot be read; without the
// host data block the link lines and SetupCpuSockets are left as they are.
VOID MemoryInfoProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass) {
  UINTN InfoSize = 0;
  EFI_STATUS Status;
  MemoryInfoRecord *Info = ReadMemoryInfo(&InfoSize, &Status);
  HostDataProtocol *HostData = nullptr;
  LocateInterface(&kHostDataProtocolGuid, reinterpret_cast<VOID **>(&HostData));
  const UINT8 *Block = HostData != nullptr ? HostData->Block : nullptr;

  if (Info != nullptr) {
    SetSummaryStrings(HiiHandle, FormClass, Info, InfoSize);
  }
  if (Block != nullptr) {
    PublishPopulatedSockets(Block);
  }
  if (Info != nullptr) {
    SetDimmStrings(HiiHandle, Info, InfoSize);
  }
  if (Block != nullptr) {
    SetLinkStrings(HiiHandle, Block);
  }
  UINT8 VgaCpu = 0;
  ReadSetupByte(kSetupVgaCpuOffset, &VgaCpu);
  SetPageString(HiiHandle, kVgaCpuId, u"Vga From CPU %d", VgaCpu);

  if (Info != nullptr) {
    gBS->FreePool(Info);
  }
}

// The total memory, capped at the low-memory limit that Setup selects.
EFI_STATUS LowMemoryString(EFI_HII_HANDLE HiiHandle, UINT16) {
  UINTN InfoSize = 0;
  EFI_STATUS Status;
  MemoryInfoRecord *Info = ReadMemoryInfo(&InfoSize, &Status);
  if (Info == nullptr) {
    return Status;
  }
  const bool HasTotal = Holds(InfoSize, offsetof(MemoryInfoRecord, TotalMb), 4);
  const UINT32 Total = HasTotal ? Info->TotalMb : 0;
  gBS->FreePool(Info);
  if (!HasTotal) {
    return EFI_BAD_BUFFER_SIZE;
  }
  UINT8 Selector = 0;
  Status = ReadSetupByte(kSetupLowMemoryLimitOffset, &Selector);
  if (EfiError(Status)) {
    return Status;
  }
  const UINT32 Limit = Selector < kLowMemoryLimitCount ? LowMemoryLimits[Selector] : LowMemoryLimits[0];
  SetPageString(HiiHandle, kLowMemoryId, u"%d MB", Total <= Limit ? Total : Limit);
  return EFI_SUCCESS;
}
