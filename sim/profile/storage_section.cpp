// The "storage" section: the hub, bridges and storage controllers as PCI
// functions, the disks behind EFI_DISK_INFO_PROTOCOL, the legacy BIOS protocol
// with its BBS table, and option ROM images in the legacy area.
#include <algorithm>
#include <cstring>

#include "sim/machine/platform_guids.h"
#include "sim/machine/platform_records.h"
#include "sim/profile/byte_layout.h"
#include "sim/profile/install_field.h"
#include "sim/profile/memory_storage_section.h"
#include "sim/profile/storage_layouts.h"

namespace sim {
namespace {

// The driver reads at most this much of a device path; the machine keeps each in a block this long.
constexpr size_t kLargestDevicePath = 4096;
constexpr size_t kLargestRomImage = 0x20000;
constexpr size_t kMostPnpHeaders = 16;
constexpr size_t kLongestProductName = 127;

bool IsAscii(const std::string &text) {
  for (const char c : text) {
    if (c == 0 || static_cast<unsigned char>(c) > 0x7F) return false;
  }
  return true;
}

std::string ReadAsciiText(const JsonField &field, size_t longest) {
  const std::string text = field.String();
  if (!IsAscii(text) || text.size() > longest) {
    field.Expected("ASCII text of at most " + std::to_string(longest) + " characters, no zero character");
  }
  return text;
}

PciKind ReadPciKind(const JsonField &field) {
  static const struct {
    const char *name;
    PciKind kind;
  } kKinds[] = {{"hub", PciKind::Hub}, {"bridge", PciKind::Bridge}, {"sata", PciKind::Sata}, {"sas", PciKind::Sas}};
  if (field.value().is_string()) {
    for (const auto &kind : kKinds) {
      if (field.String() == kind.name) return kind.kind;
    }
  }
  field.Expected("\"hub\", \"bridge\", \"sata\" or \"sas\"");
}

PciFunctionSpec ReadPciDevice(const JsonField &field) {
  const JsonObject object = field.Fields({"kind", "bus", "device", "function", "vendor_id", "device_id", "revision",
                                          "secondary_bus", "subordinate_bus"});
  PciFunctionSpec function;
  function.bus = static_cast<uint8_t>(object.Required("bus").Unsigned(UINT8_MAX));
  function.device = static_cast<uint8_t>(object.Required("device").Unsigned(31));
  function.function = static_cast<uint8_t>(object.Required("function").Unsigned(7));
  PciDeviceFields fields;
  fields.kind = ReadPciKind(object.Required("kind"));
  fields.deviceId = static_cast<uint16_t>(object.Required("device_id").Unsigned(UINT16_MAX));
  object.Read("vendor_id", fields.vendorId);
  object.Read("revision", fields.revision);
  if (fields.kind == PciKind::Bridge) {
    fields.primaryBus = function.bus;
    fields.secondaryBus = static_cast<uint8_t>(object.Required("secondary_bus").Unsigned(UINT8_MAX));
    fields.subordinateBus = fields.secondaryBus;
    object.Read("subordinate_bus", fields.subordinateBus);
  } else {
    for (const char *name : {"secondary_bus", "subordinate_bus"}) {
      if (object.Has(name)) object.Optional(name)->Fail("only a bridge has bus numbers");
    }
  }
  function.config = PciConfigSpace(fields);
  return function;
}

void AddPciDevices(const JsonField &field, std::vector<PciFunctionSpec> &functions) {
  for (const JsonField &element : field.Elements()) {
    PciFunctionSpec function = ReadPciDevice(element);
    for (const PciFunctionSpec &other : functions) {
      if (other.bus == function.bus && other.device == function.device && other.function == function.function) {
        element.Fail("a second PCI function at the same bus, device and function (here or in hardware.pci)");
      }
    }
    functions.push_back(std::move(function));
  }
}

std::vector<uint8_t> ReadIdentify(const JsonField &field) {
  if (field.value().is_object() && field.value().contains("raw")) {
    std::vector<uint8_t> identify = ReadBytes(field.Fields({"raw"}).Required("raw"), kIdentifySize);
    identify.resize(kIdentifySize, 0);
    return identify;
  }
  const JsonObject object = field.Fields({"model", "atapi", "sectors", "lba48_sectors", "logical_sector_size"});
  IdentifyFields fields;
  if (const auto model = object.Optional("model")) fields.model = ReadAsciiText(*model, kIdentifyModelLength);
  object.Read("atapi", fields.atapi);
  if (fields.atapi) {
    for (const char *name : {"sectors", "lba48_sectors", "logical_sector_size"}) {
      if (object.Has(name)) object.Optional(name)->Fail("a packet (ATAPI) device reports no capacity");
    }
    return IdentifyData(fields);
  }
  if (const auto lba48 = object.Optional("lba48_sectors")) {
    fields.lba48Sectors = lba48->Unsigned(UINT64_MAX);
    fields.sectors = static_cast<uint32_t>(std::min<uint64_t>(*fields.lba48Sectors, 0x0FFFFFFF));
  }
  object.Read("sectors", fields.sectors);
  if (const auto size = object.Optional("logical_sector_size")) {
    fields.logicalSectorBytes = static_cast<uint32_t>(size->Unsigned(UINT32_MAX - 1, 512));
    if (fields.logicalSectorBytes % 2 != 0) size->Expected("an even number of bytes");
    if (fields.logicalSectorBytes > 512 && !fields.lba48Sectors) {
      size->Fail("logical sectors longer than 512 bytes are reported only with lba48_sectors");
    }
  }
  return IdentifyData(fields);
}

DiskAttachment ReadAttachment(const JsonField &field) {
  if (field.value().is_string() && field.String() == "ahci") return DiskAttachment::Ahci;
  if (field.value().is_string() && field.String() == "ide") return DiskAttachment::Ide;
  field.Expected("\"ahci\" or \"ide\"");
}

DiskSpec ReadDisk(const JsonField &field) {
  const JsonObject object =
      field.Fields({"attachment", "pci_device", "pci_function", "channel", "device", "which_ide_fails", "identify",
                    "identify_fails", "device_path", "device_path_protocol"});
  DiskSpec disk;
  DiskAttachment attachment = DiskAttachment::Ahci;
  if (const auto value = object.Optional("attachment")) attachment = ReadAttachment(*value);
  disk.interface = attachment == DiskAttachment::Ahci ? guids::kDiskInfoAhciInterface : guids::kDiskInfoIdeInterface;
  uint8_t pciDevice = 31, pciFunction = 2;
  if (const auto value = object.Optional("pci_device")) pciDevice = static_cast<uint8_t>(value->Unsigned(31));
  if (const auto value = object.Optional("pci_function")) pciFunction = static_cast<uint8_t>(value->Unsigned(7));
  disk.channel = static_cast<uint32_t>(object.Required("channel").Unsigned(UINT32_MAX));
  object.Read("device", disk.device);
  object.Read("which_ide_fails", disk.whichIdeFails);
  disk.identify = object.Has("identify") ? ReadIdentify(*object.Optional("identify")) : std::vector<uint8_t>(kIdentifySize);
  object.Read("identify_fails", disk.identifyFails);
  bool withPath = true;
  object.Read("device_path_protocol", withPath);
  if (const auto path = object.Optional("device_path")) {
    if (!withPath) path->Fail("a disk without a device path protocol has no device path");
    disk.devicePath = ReadBytes(*path, kLargestDevicePath);
  } else if (withPath) {
    disk.devicePath = DiskDevicePath(pciDevice, pciFunction, attachment, disk.channel, disk.device);
  }
  return disk;
}

std::vector<uint8_t> ReadBbsEntry(const JsonField &field) {
  const JsonObject object = field.Fields({"boot_priority", "bus", "device", "function", "class", "subclass",
                                          "device_type", "status_flags", "boot_handler_segment", "boot_handler_offset"});
  uint16_t priority = 0, deviceType = 0, statusFlags = 0, segment = 0, offset = 0;
  uint32_t bus = 0, device = 0, function = 0;
  object.Read("boot_priority", priority);
  object.Read("bus", bus);
  object.Read("device", device);
  object.Read("function", function);
  object.Read("device_type", deviceType);
  object.Read("status_flags", statusFlags);
  object.Read("boot_handler_segment", segment);
  object.Read("boot_handler_offset", offset);
  std::vector<uint8_t> entry(bbs_entry::kSize, 0);
  PutLittleEndian(entry, bbs_entry::kBootPriority, priority, 2);
  PutLittleEndian(entry, bbs_entry::kBus, bus, 4);
  PutLittleEndian(entry, bbs_entry::kDevice, device, 4);
  PutLittleEndian(entry, bbs_entry::kFunction, function, 4);
  entry[bbs_entry::kClass] = static_cast<uint8_t>(object.Required("class").Unsigned(UINT8_MAX));
  entry[bbs_entry::kSubClass] = static_cast<uint8_t>(object.Required("subclass").Unsigned(UINT8_MAX));
  PutLittleEndian(entry, bbs_entry::kDeviceType, deviceType, 2);
  PutLittleEndian(entry, bbs_entry::kStatusFlags, statusFlags, 2);
  PutLittleEndian(entry, bbs_entry::kBootHandlerSegment, segment, 2);
  PutLittleEndian(entry, bbs_entry::kBootHandlerOffset, offset, 2);
  return entry;
}

LegacyBiosSpec ReadLegacyBios(const JsonField &field) {
  const JsonObject object = field.Fields({"install", "bbs", "get_bbs_info_fails"});
  LegacyBiosSpec legacyBios;
  legacyBios.install = Install::AtLoad;
  if (const auto install = object.Optional("install")) legacyBios.install = ReadInstall(*install);
  object.Read("get_bbs_info_fails", legacyBios.getBbsInfoFails);
  if (const auto bbs = object.Optional("bbs")) {
    const std::vector<JsonField> entries = bbs->Elements();
    if (entries.size() > UINT16_MAX) bbs->Fail("at most 65535 BBS entries");
    for (const JsonField &entry : entries) {
      const std::vector<uint8_t> bytes = ReadBbsEntry(entry);
      legacyBios.bbsTable.insert(legacyBios.bbsTable.end(), bytes.begin(), bytes.end());
    }
  }
  return legacyBios;
}

std::vector<uint8_t> ReadRomHeaders(const JsonObject &object) {
  uint16_t vendorId = 0x8086, deviceId = 0;
  object.Read("vendor_id", vendorId);
  object.Read("device_id", deviceId);
  std::vector<PnpHeaderFields> headers;
  if (const auto list = object.Optional("headers")) {
    const std::vector<JsonField> elements = list->Elements();
    if (elements.size() > kMostPnpHeaders) list->Fail("at most " + std::to_string(kMostPnpHeaders) + " PnP headers");
    for (const JsonField &element : elements) {
      const JsonObject header = element.Fields({"ports", "product"});
      PnpHeaderFields fields;
      fields.ports = static_cast<uint8_t>(header.Required("ports").Unsigned(UINT8_MAX));
      fields.product = ReadAsciiText(header.Required("product"), kLongestProductName);
      headers.push_back(std::move(fields));
    }
  }
  return OptionRomImage(vendorId, deviceId, headers);
}

void AddOptionRoms(const JsonField &field, std::vector<MemoryRegionSpec> &regions) {
  for (const JsonField &element : field.Elements()) {
    MemoryRegionSpec region;
    if (element.value().is_object() && element.value().contains("image")) {
      const JsonObject object = element.Fields({"segment", "image"});
      region.base = object.Required("segment").Unsigned(UINT16_MAX) << 4;
      region.bytes = ReadBytes(object.Required("image"), kLargestRomImage);
    } else {
      const JsonObject object = element.Fields({"segment", "vendor_id", "device_id", "headers"});
      region.base = object.Required("segment").Unsigned(UINT16_MAX) << 4;
      region.bytes = ReadRomHeaders(object);
    }
    for (const MemoryRegionSpec &other : regions) {
      if (region.base < other.base + other.bytes.size() && other.base < region.base + region.bytes.size()) {
        element.Fail("overlaps another option ROM or a region of hardware.memory");
      }
    }
    regions.push_back(std::move(region));
  }
}

}  // namespace

void ReadStorageSection(const JsonField &field, BoardProfile &profile) {
  const JsonObject object = field.Fields({"pci", "disks", "legacy_bios", "option_roms"});
  if (const auto pci = object.Optional("pci")) AddPciDevices(*pci, profile.hardware.pci);
  if (const auto disks = object.Optional("disks")) {
    for (const JsonField &disk : disks->Elements()) profile.memoryStorage.disks.push_back(ReadDisk(disk));
  }
  if (const auto legacyBios = object.Optional("legacy_bios")) {
    profile.memoryStorage.legacyBios = ReadLegacyBios(*legacyBios);
  }
  if (const auto roms = object.Optional("option_roms")) AddOptionRoms(*roms, profile.hardware.memory);
}

}  // namespace sim
