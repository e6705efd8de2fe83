#include "machine_report.h"

#include "json_writer.h"
#include "platform/firmware_services.h"
#include "platform/hardware_access.h"
#include "platform/pci_configuration.h"
#include "uefi/device_path.h"
#include "uefi/disk_info.h"

namespace {

// The q35 LPC bridge (bus 0, device 31, function 0): its power management I/O
// base (register 0x40) and decode enable (register 0x44, bit 7); SMI_EN sits at
// base + 0x30 and its bit 5 lets APM control writes (port 0xB2) raise SMIs.
constexpr UINT8 kLpcDevice = 31;
constexpr UINT8 kPmBaseRegister = 0x40;
constexpr UINT8 kAcpiControlRegister = 0x44;
constexpr UINT32 kPmDecodeEnable = 0x80;
constexpr UINT16 kSmiEnableOffset = 0x30;
constexpr UINT32 kApmcEnable = 1U << 5;

// The bytes the firmware identity page shows from the legacy BIOS area.
constexpr UINT64 kBiosAreaVersion = 0xF0018;
constexpr UINTN kBiosAreaVersionBytes = 2;

constexpr UINTN kIdentifyBytes = 512;

// The hardware-monitor index and data ports the driver reads (reading them changes nothing).
constexpr UINT16 kSampledPorts[] = {0xA35, 0xA36};

// The power management I/O base, or 0 when its decoding is off.
UINT16 PmBase() {
  if ((PciPortRead32(PciPortAddress(0, kLpcDevice, 0, kAcpiControlRegister)) & kPmDecodeEnable) == 0) {
    return 0;
  }
  return (UINT16)(PciPortRead32(PciPortAddress(0, kLpcDevice, 0, kPmBaseRegister)) & 0xFF80);
}

void WriteFirmware() {
  JsonKey("firmware_vendor");
  if (gST->FirmwareVendor == nullptr) {
    JsonNull();
  } else {
    JsonWideText(gST->FirmwareVendor);
  }
  JsonKey("firmware_revision");
  JsonNumber(gST->FirmwareRevision);
  JsonKey("system_table_revision");
  JsonNumber(gST->Hdr.Revision);
  DXE_SERVICES_TABLE_HEADER *dxe = nullptr;
  JsonKey("dxe_services_revision");
  if (EfiError(GetDxeServicesTable(&dxe))) {
    JsonNull();
  } else {
    JsonNumber(dxe->Hdr.Revision);
  }
}

void WriteSmiState() {
  const UINT16 base = PmBase();
  JsonKey("pm_base");
  JsonNumber(base);
  JsonKey("smi_enable");
  if (base == 0) {
    JsonNull();
  } else {
    JsonNumber(PortRead32((UINT16)(base + kSmiEnableOffset)));
  }
  JsonKey("apm_smi_enabled");
  JsonBool(ApmSmiEnabled());
}

// The identity and the standard 64-byte header, from which a board profile's
// configuration space is written.
void WritePciFunction(UINT8 Device, UINT8 Function, UINT32 Identity) {
  UINT32 header[16];
  for (UINT8 index = 0; index < 16; index++) {
    header[index] = PciPortRead32(PciPortAddress(0, Device, Function, (UINT8)(index * 4)));
  }
  JsonBeginObject();
  JsonKey("bus");
  JsonNumber(0);
  JsonKey("device");
  JsonNumber(Device);
  JsonKey("function");
  JsonNumber(Function);
  JsonKey("vendor_id");
  JsonNumber(Identity & 0xFFFF);
  JsonKey("device_id");
  JsonNumber(Identity >> 16);
  JsonKey("header");
  JsonHexBytes(header, sizeof header);
  JsonEndObject();
}

void WritePciBus0() {
  JsonKey("pci");
  JsonBeginArray();
  for (UINT8 device = 0; device < 32; device++) {
    for (UINT8 function = 0; function < 8; function++) {
      const UINT32 identity = PciPortRead32(PciPortAddress(0, device, function, 0));
      if ((identity & 0xFFFF) == 0xFFFF) {
        if (function == 0) {
          break;
        }
        continue;
      }
      WritePciFunction(device, function, identity);
      const UINT8 headerType = PciPortRead8(PciPortAddress(0, device, function, 0x0E));
      if (function == 0 && (headerType & 0x80) == 0) {
        break;
      }
    }
  }
  JsonEndArray();
  JsonKey("pci_express_base");
  JsonNumber(PciExpressBase());
}

void WriteBiosArea() {
  UINT8 bytes[kBiosAreaVersionBytes];
  for (UINTN index = 0; index < kBiosAreaVersionBytes; index++) {
    bytes[index] = PhysicalRead8(kBiosAreaVersion + index);
  }
  JsonKey("memory");
  JsonBeginArray();
  JsonBeginObject();
  JsonKey("base");
  JsonNumber(kBiosAreaVersion);
  JsonKey("data");
  JsonHexBytes(bytes, sizeof bytes);
  JsonEndObject();
  JsonEndArray();
}

void WritePorts() {
  JsonKey("ports");
  JsonBeginObject();
  for (UINT16 port : kSampledPorts) {
    JsonKeyNumber(port);
    JsonNumber(PortRead8(port));
  }
  JsonEndObject();
}

// The first PCI node of the handle's device path, or null.
const PCI_DEVICE_PATH *PciNodeOf(EFI_HANDLE Handle) {
  EFI_DEVICE_PATH_PROTOCOL *node = nullptr;
  if (EfiError(gBS->HandleProtocol(Handle, (EFI_GUID *)&kEfiDevicePathProtocolGuid, (VOID **)&node))) {
    return nullptr;
  }
  while (node->Type != END_DEVICE_PATH_TYPE && DevicePathNodeLength(node) >= sizeof(EFI_DEVICE_PATH_PROTOCOL)) {
    if (node->Type == HARDWARE_DEVICE_PATH && node->SubType == HW_PCI_DP &&
        DevicePathNodeLength(node) >= sizeof(PCI_DEVICE_PATH)) {
      return (const PCI_DEVICE_PATH *)node;
    }
    node = (EFI_DEVICE_PATH_PROTOCOL *)((UINT8 *)node + DevicePathNodeLength(node));
  }
  return nullptr;
}

void WriteDisk(EFI_HANDLE Handle, EFI_DISK_INFO_PROTOCOL *Disk, UINT8 *Identify) {
  JsonBeginObject();
  const PCI_DEVICE_PATH *pci = PciNodeOf(Handle);
  JsonKey("pci_device");
  pci == nullptr ? JsonNull() : JsonNumber(pci->Device);
  JsonKey("pci_function");
  pci == nullptr ? JsonNull() : JsonNumber(pci->Function);
  JsonKey("interface");
  JsonGuid(Disk->Interface);
  UINT32 channel = 0;
  UINT32 device = 0;
  const EFI_STATUS which = Disk->WhichIde(Disk, &channel, &device);
  JsonKey("which_ide_status");
  JsonNumber(which);
  JsonKey("channel");
  JsonNumber(channel);
  JsonKey("device");
  JsonNumber(device);
  MemFill(Identify, kIdentifyBytes, 0);
  UINT32 size = kIdentifyBytes;
  JsonKey("identify_status");
  JsonNumber(Disk->Identify(Disk, Identify, &size));
  JsonKey("identify");
  JsonHexBytes(Identify, kIdentifyBytes);
  JsonEndObject();
}

void WriteDisks() {
  JsonKey("disks");
  JsonBeginArray();
  UINTN count = 0;
  EFI_HANDLE *handles = nullptr;
  UINT8 *identify = (UINT8 *)AllocateBootPool(kIdentifyBytes);
  if (identify != nullptr &&
      !EfiError(gBS->LocateHandleBuffer(ByProtocol, (EFI_GUID *)&kEfiDiskInfoProtocolGuid, nullptr, &count,
                                        &handles))) {
    for (UINTN index = 0; index < count; index++) {
      EFI_DISK_INFO_PROTOCOL *disk = nullptr;
      if (!EfiError(gBS->HandleProtocol(handles[index], (EFI_GUID *)&kEfiDiskInfoProtocolGuid, (VOID **)&disk))) {
        WriteDisk(handles[index], disk, identify);
      }
    }
    gBS->FreePool(handles);
  }
  if (identify != nullptr) {
    gBS->FreePool(identify);
  }
  JsonEndArray();
}

}  // namespace

BOOLEAN ApmSmiEnabled() {
  const UINT16 base = PmBase();
  // Without a readable enable register, assume the worst.
  return base == 0 || (PortRead32((UINT16)(base + kSmiEnableOffset)) & kApmcEnable) != 0;
}

void WriteMachineReport() {
  JsonKey("machine");
  JsonBeginObject();
  WriteFirmware();
  WriteSmiState();
  WritePciBus0();
  WritePorts();
  WriteBiosArea();
  WriteDisks();
  JsonEndObject();
}
