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
PciFunctionSpec ReadPciDevice(const JsonField &field) {
  const JsonObject object = field.Fields();
  PciFunctionSpec function;
  function.bus = static_cast<uint8_t>(object.Required("bus").Unsigned());
  function.device = static_cast<uint8_t>(object.Required("device").Unsigned());
  function.function = static_cast<uint8_t>(object.Required("function").Unsigned());
  PciDeviceFields fields;
  fields.kind = static_cast<PciKind>(object.Required("kind").Choice());
  fields.deviceId = static_cast<uint16_t>(object.Required("device_id").Unsigned());
  object.Read("vendor_id", fields.vendorId);
  object.Read("revision", fields.revision);
  if (fields.kind == PciKind::Bridge) {
    fields.primaryBus = function.bus;
    const auto secondary = object.Optional("secondary_bus");
    if (!secondary) field.Fail("missing field secondary_bus (a bridge needs it)");
    fields.secondaryBus = static_cast<uint8_t>(secondary->Unsigned());
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
  const JsonField::ChosenForm form = field.Form();
  const JsonObject object = form.field.Fields();
  if (form.key != nullptr) {
    std::vector<uint8_t> identify = ReadBytes(object.Required("raw"), kIdentifySize);
    identify.resize(kIdentifySize, 0);
    return identify;
  }
  IdentifyFields fields;
  if (const auto model = object.Optional("model")) fields.model = model->Ascii();
  object.Read("atapi", fields.atapi);
  if (fields.atapi) {
    for (const char *name : {"sectors", "lba48_sectors", "logical_sector_size"}) {
      if (object.Has(name)) object.Optional(name)->Fail("a packet (ATAPI) device reports no capacity");
    }
    return IdentifyData(fields);
  }
  if (const auto lba48 = object.Optional("lba48_sectors")) {
    fields.lba48Sectors = lba48->Unsigned();
    fields.sectors = static_cast<uint32_t>(std::min<uint64_t>(*fields.lba48Sectors, 0x0FFFFFFF));
  }
  object.Read("sectors", fields.sectors);
  if (const auto size = object.Optional("logical_sector_size")) {
    fields.logicalSectorBytes = static_cast<uint32_t>(size->Unsigned());
    if (fields.logicalSectorBytes % 2 != 0) size->Expected("an even number of bytes");
    if (fields.logicalSectorBytes > 512 && !fields.lba48Sectors) {
      size->Fail("logical sectors longer than 512 bytes are reported only with lba48_sectors");
    }
  }
  return IdentifyData(fields);
}

DiskSpec ReadDisk(const JsonField &field) {
  const JsonObject object = field.Fields();
  DiskSpec disk;
  DiskAttachment attachment = DiskAttachment::Ahci;
  if (const auto value = object.Optional("attachment")) attachment = static_cast<DiskAttachment>(value->Choice());
  disk.interface = attachment == DiskAttachment::Ahci ? guids::kDiskInfoAhciInterface : guids::kDiskInfoIdeInterface;
  uint8_t pciDevice = 31, pciFunction = 2;
  object.Read("pci_device", pciDevice);
  object.Read("pci_function", pciFunction);
  disk.channel = static_cast<uint32_t>(object.Required("channel").Unsigned());
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
  const JsonObject object = field.Fields();
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
  entry[bbs_entry::kClass] = static_cast<uint8_t>(object.Required("class").Unsigned());
  entry[bbs_entry::kSubClass] = static_cast<uint8_t>(object.Required("subclass").Unsigned());
  PutLittleEndian(entry, bbs_entry::kDeviceType, deviceType, 2);
  PutLittleEndian(entry, bbs_entry::kStatusFlags, statusFlags, 2);
  PutLittleEndian(entry, bbs_entry::kBootHandlerSegment, segment, 2);
  PutLittleEndian(entry, bbs_entry::kBootHandlerOffset, offset, 2);
  return entry;
}

LegacyBiosSpec ReadLegacyBios(const JsonField &field) {
  const JsonObject object = field.Fields();
  LegacyBiosSpec legacyBios;
  legacyBios.install = Install::AtLoad;
  if (const auto install = object.Optional("install")) legacyBios.install = ReadInstall(*install);
  object.Read("get_bbs_info_fails", legacyBios.getBbsInfoFails);
  if (const auto bbs = object.Optional("bbs")) {
    for (const JsonField &entry : bbs->Elements()) {
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
    for (const JsonField &element : list->Elements()) {
      const JsonObject header = element.Fields();
      PnpHeaderFields fields;
      fields.ports = static_cast<uint8_t>(header.Required("ports").Unsigned());
      fields.product = header.Required("product").Ascii();
      headers.push_back(std::move(fields));
    }
  }
  return OptionRomImage(vendorId, deviceId, headers);
}

void AddOptionRoms(const JsonField &field, std::vector<MemoryRegionSpec> &regions) {
  for (const JsonField &element : field.Elements()) {
    MemoryRegionSpec region;
    const JsonField::ChosenForm form = element.Form();
    const JsonObject object = form.field.Fields();
    region.base = object.Required("segment").Unsigned() << 4;
    region.bytes = form.key != nullptr ? ReadBytes(object.Required("image"), kLargestRomImage) : ReadRomHeaders(object);
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
  const JsonObject object = field.Fields();
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
