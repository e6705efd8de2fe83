// The storage and memory firmware's records: disks (IDENTIFY data, device paths,
// interface kinds, channels and failing members), the legacy BIOS protocol's
// BBS table, the option ROM images and legacy BIOS area in memory, the memory
// firmware's host data block, and the chipset's PCI configuration, as edits to
// the reference board; the driver boots twice on it.
//
// Input: edits, each an opcode byte (modulo 9) and its operands (fuzz_input.h):
//   0 disk[index]: bytes at an offset of its IDENTIFY data
//   1 disk[index]: its device path (a 16-bit length and the bytes), or none (length 0)
//   2 disk[index]: interface (AHCI, IDE or any GUID), channel, device, WhichIde
//     and Identify failing or not         3 remove disk[index]
//   4 BBS table: bytes at an offset (growing it by up to one entry)
//   5 BBS table: entry count, GetBbsInfo failing or not, install timing
//   6 memory region[index] (option ROM images, legacy BIOS area): bytes at an offset
//   7 host data block: bytes at an offset (0xFF first: no HostDataProtocol), install timing
//   8 PCI function[index] (a new one at a location): bytes at an offset of its configuration
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#include "driver/uefi/disk_info.h"
#include "driver/uefi/legacy_bios.h"
#include "fuzz/boot/board_edits.h"
#include "fuzz/boot/boot_harness.h"

namespace {

using fuzz_boot::EditMemoryRegion;
using fuzz_boot::EditPciFunction;
using fuzz_boot::EntryAt;
using fuzz_boot::FuzzInput;
using fuzz_boot::PatchBytes;
using fuzz_boot::RemoveEntry;

constexpr size_t kIdentifySize = 512;
constexpr size_t kHostBlockGrowth = 256;
constexpr uint8_t kNoProtocol = 0xFF;

void EditDisk(FuzzInput &input, sim::DiskSpec &disk, uint8_t edit) {
  switch (edit) {
    case 0:
      PatchBytes(input, disk.identify, kIdentifySize);
      break;
    case 1: {
      std::vector<uint8_t> path = input.LongBytes();
      disk.devicePath.reset();
      if (!path.empty()) disk.devicePath = std::move(path);
      break;
    }
    default: {
      const uint8_t kind = input.U8() % 3;
      if (kind == 2) {
        const std::vector<uint8_t> guid = input.Bytes();
        if (!guid.empty()) std::memcpy(&disk.interface, guid.data(), std::min(guid.size(), sizeof disk.interface));
      } else {
        disk.interface = kind == 0 ? kEfiDiskInfoAhciInterfaceGuid : kEfiDiskInfoIdeInterfaceGuid;
      }
      disk.channel = input.U32();
      disk.device = input.U32();
      disk.whichIdeFails = input.U8() & 1;
      disk.identifyFails = input.U8() & 1;
      break;
    }
  }
}

void EditLegacyBios(FuzzInput &input, sim::LegacyBiosSpec &legacyBios, uint8_t edit) {
  std::vector<uint8_t> &table = legacyBios.bbsTable;
  if (edit == 4) {
    PatchBytes(input, table, table.size() + sizeof(BBS_TABLE));
  } else {
    table.resize(input.U8() * sizeof(BBS_TABLE), 0);
    legacyBios.getBbsInfoFails = input.U8() & 1;
    legacyBios.install = input.Timing();
  }
}

void EditHostData(FuzzInput &input, std::optional<sim::HostDataSpec> &hostData) {
  if (input.U8() == kNoProtocol) {
    hostData.reset();
    return;
  }
  sim::HostDataSpec &host = hostData ? *hostData : hostData.emplace();
  PatchBytes(input, host.block, host.block.size() + kHostBlockGrowth);
  host.install = input.Timing();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  sim::BoardProfile &board = fuzz_boot::FreshBoard();
  sim::MemoryStorageSpec &storage = board.memoryStorage;
  FuzzInput input(data, size);
  while (!input.Done()) {
    const uint8_t edit = input.U8() % 9;
    switch (edit) {
      case 0:
      case 1:
      case 2:
        EditDisk(input, EntryAt(storage.disks, input.Index(storage.disks.size())), edit);
        break;
      case 3:
        RemoveEntry(storage.disks, input.Index(storage.disks.size()));
        break;
      case 4:
      case 5:
        EditLegacyBios(input, storage.legacyBios ? *storage.legacyBios : storage.legacyBios.emplace(), edit);
        break;
      case 6:
        EditMemoryRegion(input, board.hardware.memory);
        break;
      case 7:
        EditHostData(input, storage.hostData);
        break;
      case 8:
        EditPciFunction(input, board.hardware.pci);
        break;
    }
  }
  fuzz_boot::BootTwice(board, fuzz_boot::FreshStore());
  return 0;
}
