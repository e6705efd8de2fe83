// The memory and storage firmware of the board, as the machine installs it from
// the profile's MemoryStorageSpec: the MemoryInfo variable (recorded at every
// boot, as the memory firmware does), HostDataProtocol with its block, one handle
// per disk carrying EFI_DISK_INFO_PROTOCOL and its device path, and
// EFI_LEGACY_BIOS_PROTOCOL with the BBS table.
#pragma once

#include <memory>
#include <vector>

#include "sim/board_profile.h"
#include "sim/machine/platform_records.h"

namespace sim {

class Machine;

class MemoryStoragePlatform {
 public:
  explicit MemoryStoragePlatform(const MemoryStorageSpec &board);
  MemoryStoragePlatform(const MemoryStoragePlatform &) = delete;
  MemoryStoragePlatform &operator=(const MemoryStoragePlatform &) = delete;

  // At load: MemoryInfo, the disks and the protocols scheduled then; at a later
  // moment, the protocols scheduled for it (logged as "protocol-installed").
  void Install(Machine &machine, sim::Install when);

  // The interfaces the driver is handed; This points at the first member.
  struct HostDataInterface {
    const uint8_t *block;  // the only member
  };
  struct DiskInterface {
    EFI_GUID interface;  // the 16 bytes of slots 0 and 1
    InterfaceSlot slots[disk_info_protocol::kSlots - disk_info_protocol::kInquiry];  // from Inquiry on
    const DiskSpec *source;  // the profile's disk it answers for
  };
  static_assert(sizeof(EFI_GUID) == disk_info_protocol::kInquiry * sizeof(InterfaceSlot), "disk info slots");
  struct LegacyBiosInterface {
    InterfaceSlot slots[legacy_bios_protocol::kSlots];
    bool fails;
    UINT16 bbsCount;
    uint8_t *bbsTable;  // handed out writable, as firmware does
  };

 private:
  void InstallDisks(Machine &machine);

  const MemoryStorageSpec &board_;
  std::vector<uint8_t> hostBlock_;
  HostDataInterface hostData_{};
  std::vector<std::unique_ptr<DiskInterface>> disks_;
  std::vector<std::vector<uint8_t>> devicePaths_;
  std::vector<uint8_t> bbsTable_;
  LegacyBiosInterface legacyBios_{};
};

}  // namespace sim
