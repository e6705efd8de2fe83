#include "sim/machine/memory_storage_platform.h"

#include <algorithm>
#include <cstring>

#include "driver/pages/memory_info_records.h"
#include "driver/uefi/device_path.h"
#include "sim/machine/machine.h"
#include "sim/machine/protocol_member.h"
#include "sim/machine/unexpected_call.h"

namespace sim {

namespace {

// The driver reads at most this much of a device path: each path sits at the
// start of a zero-filled block this long, as a path in firmware is followed by
// other memory, so a malformed path never sends a reader past the block.
constexpr size_t kDevicePathBlock = 4096;
constexpr size_t kHostDataBlock = 4096;
constexpr size_t kIdentifySize = 512;
constexpr UINT32 kMemoryInfoAttributes = 7;

EFI_STATUS EFIAPI Identify(EFI_DISK_INFO_PROTOCOL *self, VOID *data, UINT32 *size) {
  if (self == nullptr || size == nullptr) return EFI_INVALID_PARAMETER;
  const DiskSpec &disk = *reinterpret_cast<MemoryStoragePlatform::DiskInterface *>(self)->source;
  if (disk.identifyFails) return EFI_DEVICE_ERROR;
  if (*size < kIdentifySize) {
    *size = kIdentifySize;
    return EFI_BUFFER_TOO_SMALL;
  }
  if (data == nullptr) return EFI_INVALID_PARAMETER;
  std::memset(data, 0, kIdentifySize);
  std::copy_n(disk.identify.begin(), std::min(disk.identify.size(), kIdentifySize), static_cast<uint8_t *>(data));
  *size = kIdentifySize;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI WhichIde(EFI_DISK_INFO_PROTOCOL *self, UINT32 *channel, UINT32 *device) {
  if (self == nullptr || channel == nullptr || device == nullptr) return EFI_INVALID_PARAMETER;
  const DiskSpec &disk = *reinterpret_cast<MemoryStoragePlatform::DiskInterface *>(self)->source;
  if (disk.whichIdeFails) return EFI_UNSUPPORTED;
  *channel = disk.channel;
  *device = disk.device;
  return EFI_SUCCESS;
}

// No HDD information is kept: the count is 0.
EFI_STATUS EFIAPI GetBbsInfo(EFI_LEGACY_BIOS_PROTOCOL *self, UINT16 *hddCount, HDD_INFO **hddInfo, UINT16 *bbsCount,
                             BBS_TABLE **bbsTable) {
  if (self == nullptr || hddCount == nullptr || hddInfo == nullptr || bbsCount == nullptr || bbsTable == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  const auto &legacyBios = *reinterpret_cast<MemoryStoragePlatform::LegacyBiosInterface *>(self);
  if (legacyBios.fails) return EFI_DEVICE_ERROR;
  *hddCount = 0;
  *hddInfo = nullptr;
  *bbsCount = legacyBios.bbsCount;
  *bbsTable = legacyBios.bbsTable;
  return EFI_SUCCESS;
}

constexpr char kInquiry[] = "DiskInfo.Inquiry";
constexpr char kSenseData[] = "DiskInfo.SenseData";
constexpr char kInt86[] = "LegacyBios.Int86";
constexpr char kFarCall86[] = "LegacyBios.FarCall86";
constexpr char kCheckPciRom[] = "LegacyBios.CheckPciRom";
constexpr char kInstallPciRom[] = "LegacyBios.InstallPciRom";
constexpr char kLegacyBoot[] = "LegacyBios.LegacyBoot";
constexpr char kUpdateKeyboardLedStatus[] = "LegacyBios.UpdateKeyboardLedStatus";

}  // namespace

MemoryStoragePlatform::MemoryStoragePlatform(const MemoryStorageSpec &board) : board_(board) {
  if (board_.hostData) {
    // The host data block is a fixed firmware structure that readers index without
    // a size: a profile's shorter block is the start of one zero-filled block.
    hostBlock_ = board_.hostData->block;
    if (!hostBlock_.empty() && hostBlock_.size() < kHostDataBlock) hostBlock_.resize(kHostDataBlock, 0);
    hostData_.block = hostBlock_.empty() ? nullptr : hostBlock_.data();
  }
  if (board_.legacyBios) {
    bbsTable_ = board_.legacyBios->bbsTable;
    EFI_LEGACY_BIOS_PROTOCOL &protocol = legacyBios_.protocol;
    SetUnexpected<kInt86>(protocol.Int86);
    SetUnexpected<kFarCall86>(protocol.FarCall86);
    SetUnexpected<kCheckPciRom>(protocol.CheckPciRom);
    SetUnexpected<kInstallPciRom>(protocol.InstallPciRom);
    SetUnexpected<kLegacyBoot>(protocol.LegacyBoot);
    SetUnexpected<kUpdateKeyboardLedStatus>(protocol.UpdateKeyboardLedStatus);
    SetMember<GetBbsInfo>(protocol.GetBbsInfo);
    legacyBios_.fails = board_.legacyBios->getBbsInfoFails;
    legacyBios_.bbsCount = static_cast<UINT16>(bbsTable_.size() / sizeof(BBS_TABLE));
    legacyBios_.bbsTable = reinterpret_cast<BBS_TABLE *>(bbsTable_.data());
  }
}

void MemoryStoragePlatform::InstallDisks(Machine &machine) {
  for (const DiskSpec &source : board_.disks) {
    auto disk = std::make_unique<DiskInterface>();
    disk->protocol.Interface = source.interface;
    SetUnexpected<kInquiry>(disk->protocol.Inquiry);
    SetMember<Identify>(disk->protocol.Identify);
    SetUnexpected<kSenseData>(disk->protocol.SenseData);
    SetMember<WhichIde>(disk->protocol.WhichIde);
    disk->source = &source;
    EFI_HANDLE handle = nullptr;
    machine.Protocols().Install(&handle, &kEfiDiskInfoProtocolGuid, &disk->protocol);
    if (source.devicePath) {
      std::vector<uint8_t> &path = devicePaths_.emplace_back(std::max(kDevicePathBlock, source.devicePath->size()), 0);
      std::copy(source.devicePath->begin(), source.devicePath->end(), path.begin());
      machine.Protocols().Install(&handle, &kEfiDevicePathProtocolGuid, path.data());
    }
    disks_.push_back(std::move(disk));
  }
}

void MemoryStoragePlatform::Install(Machine &machine, sim::Install when) {
  if (when == sim::Install::AtLoad) {
    if (board_.memoryInfo) {
      machine.Store().Put({u"MemoryInfo", kMemoryInfoVariableGuid, kMemoryInfoAttributes, *board_.memoryInfo});
    }
    InstallDisks(machine);
  }
  machine.InstallScheduled(when, {
      {board_.hostData ? board_.hostData->install : sim::Install::Never, &kHostDataProtocolGuid, &hostData_,
       "HostDataProtocol"},
      {board_.legacyBios ? board_.legacyBios->install : sim::Install::Never, &kEfiLegacyBiosProtocolGuid,
       &legacyBios_.protocol, "EFI_LEGACY_BIOS_PROTOCOL"},
  });
}

}  // namespace sim
