#include "sim/machine/memory_storage_platform.h"

#include <algorithm>
#include <cstring>

#include "sim/machine/machine.h"
#include "sim/machine/platform_guids.h"
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

EFI_STATUS EFIAPI Identify(VOID *self, VOID *data, UINT32 *size) {
  if (self == nullptr || size == nullptr) return EFI_INVALID_PARAMETER;
  const DiskSpec &disk = *static_cast<MemoryStoragePlatform::DiskInterface *>(self)->source;
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

EFI_STATUS EFIAPI WhichIde(VOID *self, UINT32 *channel, UINT32 *device) {
  if (self == nullptr || channel == nullptr || device == nullptr) return EFI_INVALID_PARAMETER;
  const DiskSpec &disk = *static_cast<MemoryStoragePlatform::DiskInterface *>(self)->source;
  if (disk.whichIdeFails) return EFI_UNSUPPORTED;
  *channel = disk.channel;
  *device = disk.device;
  return EFI_SUCCESS;
}

// No HDD information is kept: the count is 0.
EFI_STATUS EFIAPI GetBbsInfo(VOID *self, UINT16 *hddCount, VOID **hddInfo, UINT16 *bbsCount, VOID **bbsTable) {
  if (self == nullptr || hddCount == nullptr || hddInfo == nullptr || bbsCount == nullptr || bbsTable == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  const auto &legacyBios = *static_cast<MemoryStoragePlatform::LegacyBiosInterface *>(self);
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
    InterfaceSlot *slots = legacyBios_.slots;
    SetUnexpectedSlot<kInt86>(slots[0]);
    SetUnexpectedSlot<kFarCall86>(slots[1]);
    SetUnexpectedSlot<kCheckPciRom>(slots[2]);
    SetUnexpectedSlot<kInstallPciRom>(slots[3]);
    SetUnexpectedSlot<kLegacyBoot>(slots[4]);
    SetUnexpectedSlot<kUpdateKeyboardLedStatus>(slots[5]);
    SetSlot<GetBbsInfo>(slots[legacy_bios_protocol::kGetBbsInfo]);
    legacyBios_.fails = board_.legacyBios->getBbsInfoFails;
    legacyBios_.bbsCount = static_cast<UINT16>(bbsTable_.size() / bbs_entry::kSize);
    legacyBios_.bbsTable = bbsTable_.data();
  }
}

void MemoryStoragePlatform::InstallDisks(Machine &machine) {
  for (const DiskSpec &source : board_.disks) {
    auto disk = std::make_unique<DiskInterface>();
    // The slots after the interface GUID, which takes the first two.
    constexpr size_t kFirst = disk_info_protocol::kInquiry;
    disk->interface = source.interface;
    SetUnexpectedSlot<kInquiry>(disk->slots[disk_info_protocol::kInquiry - kFirst]);
    SetSlot<Identify>(disk->slots[disk_info_protocol::kIdentify - kFirst]);
    SetUnexpectedSlot<kSenseData>(disk->slots[disk_info_protocol::kSenseData - kFirst]);
    SetSlot<WhichIde>(disk->slots[disk_info_protocol::kWhichIde - kFirst]);
    disk->source = &source;
    EFI_HANDLE handle = nullptr;
    machine.Protocols().Install(&handle, &guids::kDiskInfoProtocol, disk.get());
    if (source.devicePath) {
      std::vector<uint8_t> &path = devicePaths_.emplace_back(std::max(kDevicePathBlock, source.devicePath->size()), 0);
      std::copy(source.devicePath->begin(), source.devicePath->end(), path.begin());
      machine.Protocols().Install(&handle, &guids::kDevicePathProtocol, path.data());
    }
    disks_.push_back(std::move(disk));
  }
}

void MemoryStoragePlatform::Install(Machine &machine, sim::Install when) {
  if (when == sim::Install::AtLoad) {
    if (board_.memoryInfo) {
      machine.Store().Put({u"MemoryInfo", guids::kMemoryInfoVariable, kMemoryInfoAttributes, *board_.memoryInfo});
    }
    InstallDisks(machine);
  }
  machine.InstallScheduled(when, {
      {board_.hostData ? board_.hostData->install : sim::Install::Never, &guids::kHostDataProtocol, &hostData_,
       "HostDataProtocol"},
      {board_.legacyBios ? board_.legacyBios->install : sim::Install::Never, &guids::kLegacyBiosProtocol,
       &legacyBios_, "EFI_LEGACY_BIOS_PROTOCOL"},
  });
}

}  // namespace sim
