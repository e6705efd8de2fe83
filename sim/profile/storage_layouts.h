// Byte layouts of the storage records a profile describes field by field: ATA
// IDENTIFY data, a disk's device path, a legacy option ROM image with its PnP
// expansion headers, and the configuration space of the hub's and the storage
// controller's PCI functions. Public layouts, as the ATA, UEFI, PCI and PnP BIOS
// specifications give them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/machine/platform_records.h"

namespace sim {

constexpr size_t kIdentifySize = 512;
constexpr size_t kIdentifyModelLength = 40;

struct IdentifyFields {
  std::string model;                     // ASCII, at most 40 characters, padded with blanks
  bool atapi = false;                    // a packet device: no sector counts
  uint32_t sectors = 0;                  // words 60-61
  std::optional<uint64_t> lba48Sectors;  // words 100-103, with 48-bit addressing (word 83 bit 10)
  uint32_t logicalSectorBytes = 512;     // above 512: words 106 and 117-118 (needs 48-bit addressing)
};
std::vector<uint8_t> IdentifyData(const IdentifyFields &fields);

// PciRoot(0) / Pci(device, function) / Sata(channel, 0xFFFF, 0) or Ata(channel, device, 0) / end.
enum class DiskAttachment { Ahci, Ide };
std::vector<uint8_t> DiskDevicePath(uint8_t pciDevice, uint8_t pciFunction, DiskAttachment attachment,
                                    uint32_t channel, uint32_t device);

struct PnpHeaderFields {
  uint8_t ports = 0;  // header byte 8: bit n = controller port n
  std::string product;
};
// 55 AA, the size in 512-byte blocks, a PCI data structure, the PnP headers
// chained from offset 0x1A, their product names, and a checksum byte that
// makes the image sum to zero.
std::vector<uint8_t> OptionRomImage(uint16_t vendorId, uint16_t deviceId, const std::vector<PnpHeaderFields> &headers);

enum class PciKind { Hub, Bridge, Sata, Sas };
struct PciDeviceFields {
  PciKind kind = PciKind::Hub;
  uint16_t vendorId = 0x8086;
  uint16_t deviceId = 0;
  uint8_t revision = 0;
  uint8_t primaryBus = 0;      // bridges only
  uint8_t secondaryBus = 0;    // bridges only
  uint8_t subordinateBus = 0;  // bridges only
};
std::vector<uint8_t> PciConfigSpace(const PciDeviceFields &fields);

}  // namespace sim
