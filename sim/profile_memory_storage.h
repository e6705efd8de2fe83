// The memory and storage inputs of a board that the machine installs: the
// MemoryInfo variable and the host data block of the memory firmware, the disks
// with their identify data and device paths, and the legacy BIOS protocol with
// its BBS table. The profile loader lays every record out byte for byte
// (sim/profile/memory_storage_section.cpp), so a profile can also describe
// malformed ones; the hub, bridges, controllers and option ROM images of the
// same sections land in HardwareSpec. Plain data, like board_profile.h.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "driver/uefi/uefi_base.h"
#include "sim/install_timing.h"

namespace sim {

struct HostDataSpec {
  Install install = Install::AtLoad;
  std::vector<uint8_t> block;  // empty: the interface's block pointer is null
};

// One handle carrying EFI_DISK_INFO_PROTOCOL and, unless devicePath is empty, a device path.
struct DiskSpec {
  EFI_GUID interface{};  // EFI_DISK_INFO_PROTOCOL.Interface
  std::optional<std::vector<uint8_t>> devicePath;
  uint32_t channel = 0;  // what WhichIde reports
  uint32_t device = 0;
  bool whichIdeFails = false;
  std::vector<uint8_t> identify;  // what Identify copies, 512 bytes
  bool identifyFails = false;
};

struct LegacyBiosSpec {
  Install install = Install::AtLoad;
  std::vector<uint8_t> bbsTable;  // 69 bytes an entry
  bool getBbsInfoFails = false;
};

struct MemoryStorageSpec {
  std::optional<std::vector<uint8_t>> memoryInfo;  // stored as MemoryInfo at every boot
  std::optional<HostDataSpec> hostData;            // nullopt: HostDataProtocol never appears
  std::vector<DiskSpec> disks;                     // installed at load, in order
  std::optional<LegacyBiosSpec> legacyBios;        // nullopt: the protocol never appears
};

}  // namespace sim
