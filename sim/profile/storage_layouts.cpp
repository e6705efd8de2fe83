#include "sim/profile/storage_layouts.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace sim {
namespace {

// IDENTIFY words.
constexpr size_t kGeneralConfigWord = 0;
constexpr size_t kModelWord = 27;
constexpr size_t kCapabilitiesWord = 49;
constexpr size_t kSectors28Word = 60;
constexpr size_t kCommandSetWord = 83;
constexpr size_t kSectors48Word = 100;
constexpr size_t kSectorSizeInfoWord = 106;
constexpr size_t kLogicalSectorWordsWord = 117;
constexpr uint16_t kFixedDevice = 0x0040;
constexpr uint16_t kPacketCdromDevice = 0x85C0;  // packet device, CD-ROM, removable
constexpr uint16_t kLbaSupported = 0x0200;
constexpr uint16_t kWordValid = 0x4000;  // words 83 and 106: bit 14 set, bit 15 clear
constexpr uint16_t kLba48Supported = 0x0400;
constexpr uint16_t kLongLogicalSector = 0x1000;

// Option ROM.
constexpr size_t kRomBlock = 512;
constexpr size_t kPciDataOffset = 0x1C;
constexpr size_t kPciDataLength = 0x18;
constexpr size_t kFirstHeaderOffset = 0x40;
constexpr size_t kPnpHeaderLength = 0x20;
constexpr uint8_t kMassStorage = 0x01;
constexpr uint8_t kSasController = 0x07;

void PutWord(std::vector<uint8_t> &identify, size_t word, uint64_t value, size_t words = 1) {
  PutLittleEndian(identify, 2 * word, value, 2 * words);
}

void PutText(std::vector<uint8_t> &bytes, size_t offset, const std::string &text) {
  std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::vector<uint8_t> PnpHeader(uint16_t next, uint8_t ports, uint16_t productOffset) {
  std::vector<uint8_t> header(kPnpHeaderLength, 0);
  PutText(header, 0, "$PnP");
  header[4] = 1;                      // structure revision
  header[5] = kPnpHeaderLength / 16;  // length in 16-byte units
  PutLittleEndian(header, 6, next, 2);
  header[8] = ports;
  PutLittleEndian(header, 0x10, productOffset, 2);
  header[0x12] = kMassStorage;
  header[0x13] = kSasController;
  header[9] = static_cast<uint8_t>(-std::accumulate(header.begin(), header.end(), 0u));
  return header;
}

}  // namespace

std::vector<uint8_t> IdentifyData(const IdentifyFields &fields) {
  std::vector<uint8_t> identify(kIdentifySize, 0);
  // Each word holds two characters, the first in its high byte.
  std::string model = fields.model.substr(0, kIdentifyModelLength);
  model.resize(kIdentifyModelLength, ' ');
  for (size_t i = 0; i < kIdentifyModelLength; i += 2) {
    PutWord(identify, kModelWord + i / 2, static_cast<uint8_t>(model[i]) << 8 | static_cast<uint8_t>(model[i + 1]));
  }
  PutWord(identify, kGeneralConfigWord, fields.atapi ? kPacketCdromDevice : kFixedDevice);
  PutWord(identify, kCapabilitiesWord, kLbaSupported);
  PutWord(identify, kCommandSetWord, kWordValid | (fields.lba48Sectors ? kLba48Supported : 0));
  if (fields.atapi) return identify;
  PutWord(identify, kSectors28Word, fields.sectors, 2);
  if (fields.lba48Sectors) PutWord(identify, kSectors48Word, *fields.lba48Sectors, 4);
  const bool longSectors = fields.logicalSectorBytes > 512;
  PutWord(identify, kSectorSizeInfoWord, kWordValid | (longSectors ? kLongLogicalSector : 0));
  if (longSectors) PutWord(identify, kLogicalSectorWordsWord, fields.logicalSectorBytes / 2, 2);
  return identify;
}

std::vector<uint8_t> DiskDevicePath(uint8_t pciDevice, uint8_t pciFunction, DiskAttachment attachment,
                                    uint32_t channel, uint32_t device) {
  std::vector<uint8_t> path = {
      0x02, 0x01, 12, 0, 0xD0, 0x41, 0x03, 0x0A, 0, 0, 0, 0,  // PciRoot(0): ACPI HID PNP0A03, UID 0
      0x01, 0x01, 6,  0, pciFunction, pciDevice,              // Pci(device, function)
  };
  if (attachment == DiskAttachment::Ahci) {
    const std::vector<uint8_t> sata = {0x03, 0x12, 10, 0, static_cast<uint8_t>(channel), static_cast<uint8_t>(channel >> 8),
                                       0xFF, 0xFF, 0, 0};  // HBA port, no port multiplier, LUN 0
    path.insert(path.end(), sata.begin(), sata.end());
  } else {
    const std::vector<uint8_t> ata = {0x03, 0x01, 8, 0, static_cast<uint8_t>(channel), static_cast<uint8_t>(device), 0, 0};
    path.insert(path.end(), ata.begin(), ata.end());
  }
  path.insert(path.end(), {0x7F, 0xFF, 4, 0});
  return path;
}

std::vector<uint8_t> OptionRomImage(uint16_t vendorId, uint16_t deviceId, const std::vector<PnpHeaderFields> &headers) {
  const size_t namesOffset = kFirstHeaderOffset + headers.size() * kPnpHeaderLength;
  size_t content = namesOffset;
  for (const PnpHeaderFields &header : headers) content += header.product.size() + 1;
  const size_t blocks = (content + 1 + kRomBlock - 1) / kRomBlock;  // room for the checksum byte
  if (blocks > 0xFF) throw std::length_error("the option ROM is longer than 255 blocks");
  std::vector<uint8_t> rom(blocks * kRomBlock, 0);
  rom[0] = 0x55;
  rom[1] = 0xAA;
  rom[2] = static_cast<uint8_t>(blocks);
  rom[3] = 0xCB;  // initialisation entry: a far return
  PutLittleEndian(rom, 0x18, kPciDataOffset, 2);
  PutLittleEndian(rom, 0x1A, headers.empty() ? 0 : kFirstHeaderOffset, 2);
  PutText(rom, kPciDataOffset, "PCIR");
  PutLittleEndian(rom, kPciDataOffset + 4, vendorId, 2);
  PutLittleEndian(rom, kPciDataOffset + 6, deviceId, 2);
  PutLittleEndian(rom, kPciDataOffset + 0xA, kPciDataLength, 2);
  rom[kPciDataOffset + 0xE] = kSasController;
  rom[kPciDataOffset + 0xF] = kMassStorage;
  PutLittleEndian(rom, kPciDataOffset + 0x10, blocks, 2);
  rom[kPciDataOffset + 0x15] = 0x80;  // the last image
  size_t name = namesOffset;
  for (size_t i = 0; i < headers.size(); ++i) {
    const size_t at = kFirstHeaderOffset + i * kPnpHeaderLength;
    const uint16_t next = i + 1 < headers.size() ? static_cast<uint16_t>(at + kPnpHeaderLength) : 0;
    const std::vector<uint8_t> header = PnpHeader(next, headers[i].ports, static_cast<uint16_t>(name));
    std::copy(header.begin(), header.end(), rom.begin() + static_cast<std::ptrdiff_t>(at));
    PutText(rom, name, headers[i].product);
    name += headers[i].product.size() + 1;
  }
  rom.back() = static_cast<uint8_t>(-std::accumulate(rom.begin(), rom.end(), 0u));
  return rom;
}

std::vector<uint8_t> PciConfigSpace(const PciDeviceFields &fields) {
  static const struct {
    PciKind kind;
    uint8_t classCode[3];  // programming interface, subclass, class
    uint8_t headerType;
  } kKinds[] = {
      {PciKind::Hub, {0x00, 0x01, 0x06}, 0x80},     // ISA bridge, multi-function
      {PciKind::Bridge, {0x00, 0x04, 0x06}, 0x01},  // PCI-to-PCI bridge
      {PciKind::Sata, {0x01, 0x06, 0x01}, 0x00},    // SATA controller, AHCI
      {PciKind::Sas, {0x00, 0x07, 0x01}, 0x00},     // SAS controller
  };
  std::vector<uint8_t> config(256, 0);
  PutLittleEndian(config, 0x00, fields.vendorId, 2);
  PutLittleEndian(config, 0x02, fields.deviceId, 2);
  PutLittleEndian(config, 0x04, 0x0007, 2);  // I/O, memory and bus master enabled
  config[0x08] = fields.revision;
  for (const auto &kind : kKinds) {
    if (kind.kind != fields.kind) continue;
    std::copy(std::begin(kind.classCode), std::end(kind.classCode), config.begin() + 0x09);
    config[0x0E] = kind.headerType;
  }
  if (fields.kind == PciKind::Bridge) {
    config[0x18] = fields.primaryBus;
    config[0x19] = fields.secondaryBus;
    config[0x1A] = fields.subordinateBus;
  }
  return config;
}

}  // namespace sim
