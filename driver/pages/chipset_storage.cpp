// The chipset and storage page. Class 4: the platform controller hub's name and
// stepping. Class 2: one line per SATA drive, "Disabled" SATA lines while the
// SATA controller is off, the storage controller's port count (probed once per
// boot and published as SetupSBFeatures) and the product names that the SAS
// controller's legacy option ROM gives its ports.
#include "core/firmware_calls.h"
#include "core/setup_record.h"
#include "core/string_service.h"
#include "pages/chipset_storage_drives.h"
#include "pages/chipset_storage_rom.h"
#include "pages/page_providers.h"
#include "platform/pci_configuration.h"
#include "uefi/legacy_bios.h"

namespace {

constexpr UINT16 kHubNameId = 1335;
constexpr UINT16 kHubSteppingId = 1338;
constexpr UINT16 kHubDeviceIds[] = {0x1D40, 0x1D41};

struct HubStepping {
  UINT16 Revision;
  const CHAR16 *Text;
};
const HubStepping HubSteppings[] = {
    {1, u"(A0 Stepping)"}, {3, u"(A2 Stepping)"}, {4, u"(B0 Stepping)"}, {5, u"(C0 Stepping)"}, {6, u"(C1 Stepping)"},
};

// PCI locations and registers the page reads (bus, device, function).
constexpr UINT8 kHubDevice = 31;
constexpr UINT8 kStorageRootPortDevice = 17;
constexpr UINT16 kVendorIdRegister = 0;
constexpr UINT16 kDeviceIdRegister = 2;
constexpr UINT16 kRevisionRegister = 8;
constexpr UINT16 kSecondaryBusRegister = 0x19;
constexpr UINT16 kNoFunction = 0xFFFF;

constexpr UINT16 kFourPortRootPortId = 0x1D3E;
constexpr UINT16 kEightPortUplinkId = 0x1D74;
constexpr UINT8 kEightPortDefaultBus = 8;
constexpr UINT8 kEightPortDownstreamDevice = 8;
constexpr UINT8 kFirstUplinkDevice = 1;
constexpr UINT8 kLastUplinkDevice = 3;
constexpr UINT8 kUplinkFunctions = 4;

constexpr UINTN kSasLineCount = 8;
const UINT16 SasPortStringIds[kSasLineCount] = {1201, 1202, 1203, 1204, 1205, 1206, 1207, 1208};

constexpr UINT8 kSataDisabledMode = 0;
constexpr UINT8 kSataUnreadMode = 1;

constexpr UINT8 kMassStorageClass = 1;
constexpr UINT8 kSasSubClass = 7;

// What the first class-2 call of a boot learns about the storage controller;
// later calls of the same boot reuse it.
struct StorageProbeState {
  UINT8 FirstProbe;  // 1 until the first probe
  UINT8 PortCount;   // 4 or 8
  UINT8 Bus;         // the storage controller's bus
};
StorageProbeState gStorageProbe = {1, 0, 0};

// The Setup bytes the class-2 page reads. A byte the stored record does not
// hold (or a record that cannot be read) counts as 0, except the SATA mode,
// which then counts as 1.
struct StorageSettings {
  UINT8 SataMode;
  UINT8 ListSasNames;
  UINT8 StopAfterSata;
};

UINT8 SetupByteOr(const UINT8 *Setup, UINTN Size, UINTN Offset, UINT8 Missing) {
  return Setup != nullptr && SetupFieldInside(Offset, 1, Size) ? Setup[Offset] : Missing;
}

StorageSettings ReadStorageSettings() {
  UINTN Size = 0;
  auto *Setup = static_cast<UINT8 *>(GetVariableAlloc(u"Setup", &kSetupVariableGuid, &Size));
  StorageSettings Settings = {
      SetupByteOr(Setup, Size, kSetupSataModeOffset, kSataUnreadMode),
      SetupByteOr(Setup, Size, kSetupSasRomNamesOffset, 0),
      SetupByteOr(Setup, Size, kSetupStorageStopAfterSataOffset, 0),
  };
  if (Setup != nullptr) {
    gBS->FreePool(Setup);
  }
  return Settings;
}

void SetHubStrings(EFI_HII_HANDLE HiiHandle) {
  const UINT16 DeviceId = PciExpressRead16(0, kHubDevice, 0, kDeviceIdRegister);
  if (DeviceId != kHubDeviceIds[0] && DeviceId != kHubDeviceIds[1]) {
    return;
  }
  SetPageString(HiiHandle, kHubNameId, u"%a", "Patsburg");
  const UINT16 Revision = PciExpressRead16(0, kHubDevice, 0, kRevisionRegister);
  for (const HubStepping &Stepping : HubSteppings) {
    if (Stepping.Revision == Revision) {
      SetPageString(HiiHandle, kHubSteppingId, u"%02x %s", Revision, Stepping.Text);
      return;
    }
  }
  SetPageString(HiiHandle, kHubSteppingId, u"%02x", Revision);
}

// The 4-port controller sits behind the hub's root port; the 8-port one behind
// downstream port 8 of an uplink switch on a processor root port, the last one found.
void ProbeStorageController() {
  if (PciExpressRead16(0, kStorageRootPortDevice, 0, kDeviceIdRegister) == kFourPortRootPortId) {
    gStorageProbe.PortCount = 4;
    gStorageProbe.Bus = PciExpressRead8(0, kStorageRootPortDevice, 0, kSecondaryBusRegister);
    return;
  }
  gStorageProbe.PortCount = 8;
  gStorageProbe.Bus = kEightPortDefaultBus;
  for (UINT8 Device = kFirstUplinkDevice; Device <= kLastUplinkDevice; ++Device) {
    for (UINT8 Function = 0; Function < kUplinkFunctions; ++Function) {
      if (PciExpressRead16(0, Device, Function, kVendorIdRegister) == kNoFunction) {
        continue;
      }
      const UINT8 Uplink = PciExpressRead8(0, Device, Function, kSecondaryBusRegister);
      if (PciExpressRead16(Uplink, 0, 0, kDeviceIdRegister) != kEightPortUplinkId) {
        continue;
      }
      const UINT8 SwitchBus = PciExpressRead8(Uplink, 0, 0, kSecondaryBusRegister);
      gStorageProbe.Bus = PciExpressRead8(SwitchBus, kEightPortDownstreamDevice, 0, kSecondaryBusRegister);
    }
  }
}

// Context is the package list's handle.
void SetSasLine(VOID *Context, UINTN Port, const CHAR16 *Name) {
  SetPageString(*static_cast<EFI_HII_HANDLE *>(Context), SasPortStringIds[Port], u"%s", Name);
}

// The SAS controller is the first mass-storage/SAS entry of the BBS table; its
// boot handler segment locates its option ROM.
void SetSasLines(EFI_HII_HANDLE HiiHandle) {
  EFI_LEGACY_BIOS_PROTOCOL *LegacyBios = nullptr;
  if (!LocateInterface(&kEfiLegacyBiosProtocolGuid, reinterpret_cast<VOID **>(&LegacyBios))) {
    return;
  }
  UINT16 HddCount = 0;
  HDD_INFO *HddInfo = nullptr;
  UINT16 BbsCount = 0;
  BBS_TABLE *Bbs = nullptr;
  if (EfiError(LegacyBios->GetBbsInfo(LegacyBios, &HddCount, &HddInfo, &BbsCount, &Bbs)) || Bbs == nullptr) {
    return;
  }
  const BBS_TABLE *Sas = nullptr;
  for (UINTN Index = 0; Index < BbsCount && Sas == nullptr; ++Index) {
    if (Bbs[Index].Class == kMassStorageClass && Bbs[Index].SubClass == kSasSubClass) {
      Sas = &Bbs[Index];
    }
  }
  if (Sas == nullptr || Sas->Bus != gStorageProbe.Bus) {
    return;
  }
  auto *Name = static_cast<CHAR16 *>(AllocateBootPool(kSasNameCapacity * sizeof(CHAR16)));
  if (Name == nullptr) {
    return;
  }
  WalkSasOptionRom((UINT64)Sas->BootHandlerSegment << 4, gStorageProbe.PortCount, Name, SetSasLine, &HiiHandle);
  gBS->FreePool(Name);
}

void SetStorageStrings(EFI_HII_HANDLE HiiHandle) {
  auto *Text = static_cast<CHAR8 *>(AllocateBootPool(kDriveTextSize));
  const StorageSettings Settings = ReadStorageSettings();
  if (Text != nullptr) {
    SetDriveLines(HiiHandle, Settings.SataMode, Text);
    gBS->FreePool(Text);
  }
  if (Settings.SataMode == kSataDisabledMode) {
    SetSataLinesDisabled(HiiHandle);
  }
  if (Settings.StopAfterSata != 0) {
    return;
  }
  if (gStorageProbe.FirstProbe != 0) {
    ProbeStorageController();
    StoreVariable(u"SetupSBFeatures", &kSetupVariableGuid, kAttrBs, 1, &gStorageProbe.PortCount);
  }
  gStorageProbe.FirstProbe = 0;
  if (Settings.ListSasNames != 0) {
    SetSasLines(HiiHandle);
  }
}

}  // namespace

VOID ChipsetStorageProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass) {
  if (FormClass == 4) {
    SetHubStrings(HiiHandle);
  } else if (FormClass == 2) {
    SetStorageStrings(HiiHandle);
  }
}
