// The table itself, section by section in the order of docs/board-profile.md.
// Limits that only the loader can check (a piece that runs past a layout's size,
// a HOB's GUID only for type 4, bytes beyond a field's size) stay with the code
// that reads the field.
#include "sim/profile/profile_fields.h"

#include <deque>

#include "sim/install_timing.h"
#include "sim/profile/storage_layouts.h"

namespace sim {
namespace {

// Rules live here for the life of the process; a deque keeps their addresses.
FieldRule *Add(FieldRule rule) {
  static std::deque<FieldRule> rules;
  rules.push_back(std::move(rule));
  return &rules.back();
}

// A new rule of type, filled in by fill.
template <typename Fill>
const FieldRule *Make(FieldType type, Fill fill) {
  FieldRule rule;
  rule.type = type;
  fill(rule);
  return Add(std::move(rule));
}

const FieldRule *Of(FieldType type) {
  return Make(type, [](FieldRule &) {});
}

const FieldRule *Int(uint64_t max, uint64_t min = 0) {
  return Make(FieldType::Integer, [&](FieldRule &rule) {
    rule.min = min;
    rule.max = max;
  });
}

const FieldRule *OneOf(std::vector<uint64_t> values) {
  return Make(FieldType::Integer, [&](FieldRule &rule) {
    rule.max = UINT32_MAX;
    rule.values = std::move(values);
  });
}

const FieldRule *Ascii(uint64_t longest) {
  return Make(FieldType::Ascii, [&](FieldRule &rule) { rule.max = longest; });
}

const FieldRule *Nullable(const FieldRule *base) {
  FieldRule rule = *base;
  rule.nullable = true;
  return Add(rule);
}

const FieldRule *ZeroAllowed(const FieldRule *base) {
  FieldRule rule = *base;
  rule.zeroAllowed = true;
  return Add(rule);
}

const FieldRule *Choice(std::vector<FieldChoice> choices) {
  return Make(FieldType::Choice, [&](FieldRule &rule) { rule.choices = std::move(choices); });
}

const FieldRule *Object(std::vector<FieldMember> members) {
  return Make(FieldType::Object, [&](FieldRule &rule) { rule.members = std::move(members); });
}

const FieldRule *Map(const char *keyWhat, uint64_t keyMax, const FieldRule *value, uint64_t keyMin = 0) {
  return Make(FieldType::Map, [&](FieldRule &rule) {
    rule.keyWhat = keyWhat;
    rule.min = keyMin;
    rule.max = keyMax;
    rule.item = value;
  });
}

const FieldRule *Array(const FieldRule *item, uint64_t most = UINT64_MAX, uint64_t fewest = 0) {
  return Make(FieldType::Array, [&](FieldRule &rule) {
    rule.item = item;
    rule.min = fewest;
    rule.max = most;
  });
}

const FieldRule *Forms(std::vector<FieldForm> forms) {
  return Make(FieldType::Forms, [&](FieldRule &rule) { rule.forms = std::move(forms); });
}

FieldMember Req(const char *name, const FieldRule *rule) { return {name, rule, true}; }
FieldMember Opt(const char *name, const FieldRule *rule) { return {name, rule, false}; }

// The integer types' ranges.
const FieldRule *const kU8 = Int(UINT8_MAX);
const FieldRule *const kU16 = Int(UINT16_MAX);
const FieldRule *const kU32 = Int(UINT32_MAX);
const FieldRule *const kU64 = Int(UINT64_MAX);
const FieldRule *const kBool = Of(FieldType::Boolean);
const FieldRule *const kText = Of(FieldType::Text);
const FieldRule *const kGuid = Of(FieldType::Guid);
const FieldRule *const kPciDevice = Int(31);
const FieldRule *const kPciFunction = Int(7);

const FieldRule *const kInstall = Choice({{"at-load", static_cast<uint64_t>(Install::AtLoad)},
                                          {"after-publishing", static_cast<uint64_t>(Install::AfterPublishing)},
                                          {"never", static_cast<uint64_t>(Install::Never)}});

const FieldRule *BytesRule() {
  static const FieldRule *const bytes = [] {
    FieldRule forms;
    forms.type = FieldType::Forms;
    FieldRule *self = Add(forms);
    // A layout's pieces are byte strings themselves, so the rule refers to itself.
    const FieldRule *piece = Forms({{"u8", Object({Req("u8", kU8)})},
                                    {"u16", Object({Req("u16", kU16)})},
                                    {"u32", Object({Req("u32", kU32)})},
                                    {"u64", Object({Req("u64", kU64)})},
                                    {nullptr, self}});
    self->forms = {
        {"ascii", Object({Req("ascii", ZeroAllowed(Ascii(UINT64_MAX))), Opt("terminated", kBool)})},
        {"utf16", Object({Req("utf16", ZeroAllowed(kText)), Opt("terminated", kBool)})},
        {nullptr, Of(FieldType::Hex)},
        {nullptr, Object({Opt("size", kU64), Opt("fill", kU8), Opt("at", Map("a byte offset", UINT64_MAX, piece))})},
    };
    return self;
  }();
  return bytes;
}

const FieldRule *Firmware() {
  return Object({Opt("vendor", Nullable(kText)), Opt("firmware_revision", kU32), Opt("system_table_revision", kU32),
                 Opt("dxe_services_revision", kU32), Opt("dxe_services_present", kBool)});
}

const FieldRule *Protocols() {
  return Object({Opt("framework_hii", kInstall), Opt("string_service", kInstall), Opt("board_query", kInstall),
                 Opt("board_register", kInstall), Opt("board_condition", kU8),
                 Opt("board_registers", Map("a register number", UINT32_MAX, kU64))});
}

const FieldRule *Variables() {
  return Array(Object({Req("name", kText), Req("guid", kGuid), Req("attributes", OneOf({3, 7})),
                       Req("data", BytesRule())}));
}

const FieldRule *Hobs() {
  // The processor platform-information HOB's short form: count × 31 bytes after 79 must fit a HOB.
  const FieldRule *ratios = Object({Req("count", Int(2110, 1)), Req("ratio", kU8), Req("min_ratio", kU8)});
  return Array(Forms({{"raw", Object({Req("raw", BytesRule())})},
                      {"processor_ratios", Object({Req("processor_ratios", ratios)})},
                      {nullptr, Object({Req("type", kU16), Opt("guid", kGuid), Opt("data", BytesRule())})}}));
}

// Per-class settings of a package list, in a board and in boards/package-lists.json alike.
std::vector<FieldMember> ListSettings() {
  return {Opt("languages", Object({Opt("primary", kText), Opt("secondary", kText)})),
          Opt("defaults", Map("an offset in the default image", UINT16_MAX - 1, kU8)),
          Opt("default_image", kBool),
          Opt("default_image_size", Int(UINT16_MAX, 1)),
          Opt("strings", Map("a string id", UINT16_MAX, Object({Opt("label", kText), Opt("text", kText)}), 1))};
}

const FieldRule *Hardware() {
  const FieldRule *pci = Object({Req("bus", kU8), Req("device", kPciDevice), Req("function", kPciFunction),
                                 Req("config", BytesRule())});
  const FieldRule *cpuid = Object({Req("leaf", kU32), Opt("subleaf", kU32), Opt("eax", kU32), Opt("ebx", kU32),
                                   Opt("ecx", kU32), Opt("edx", kU32)});
  const FieldRule *memory = Object({Req("base", kU64), Req("data", BytesRule())});
  return Object({Opt("ports", Map("a port number", UINT16_MAX, kU32)), Opt("pci", Array(pci)),
                 Opt("pci_express_base", kU32), Opt("msrs", Map("an MSR number", UINT32_MAX, kU64)),
                 Opt("cpuid", Array(cpuid)), Opt("memory", Array(memory))});
}

const FieldRule *MemoryMap() {
  return Array(Object({Req("type", kU32), Req("start", kU64), Req("pages", Int(UINT64_MAX, 1)),
                       Opt("attribute", kU64)}));
}

const FieldRule *Memory() {
  const FieldRule *state = Forms({{nullptr, Choice({{"normal", 0}, {"mirrored", 1}, {"lock-step", 2}, {"spared", 4},
                                                    {"error", 253}, {"disabled", 254}, {"not-present", 255}})},
                                  {nullptr, kU8}});
  const FieldRule *dimm = Object({Req("slot", Int(35)), Opt("state", state), Opt("valid", kU8), Opt("size_mb", kU16)});
  const FieldRule *info = Forms(
      {{"raw", Object({Req("raw", BytesRule())})},
       {nullptr, Object({Opt("dimm_speed", kU16), Opt("ras_mode", kU16), Opt("total_mb", kU32),
                         Opt("capabilities", kU8), Opt("dimms", Array(dimm))})}});
  const FieldRule *hostData = Forms(
      {{"block", Object({Opt("install", kInstall), Req("block", BytesRule())})},
       {nullptr, Object({Opt("install", kInstall), Opt("link_mode", kU8), Opt("link_speed", kU8),
                         Opt("sockets", Array(kU8, UINT8_MAX)), Opt("socket_count", kU8)})}});
  return Object({Opt("info", info), Opt("host_data", hostData)});
}

const FieldRule *Storage() {
  const FieldRule *kind = Choice({{"hub", static_cast<uint64_t>(PciKind::Hub)},
                                  {"bridge", static_cast<uint64_t>(PciKind::Bridge)},
                                  {"sata", static_cast<uint64_t>(PciKind::Sata)},
                                  {"sas", static_cast<uint64_t>(PciKind::Sas)}});
  const FieldRule *pci = Object({Req("kind", kind), Req("bus", kU8), Req("device", kPciDevice),
                                 Req("function", kPciFunction), Opt("vendor_id", kU16), Req("device_id", kU16),
                                 Opt("revision", kU8), Opt("secondary_bus", kU8), Opt("subordinate_bus", kU8)});
  const FieldRule *identify = Forms(
      {{"raw", Object({Req("raw", BytesRule())})},
       {nullptr, Object({Opt("model", Ascii(kIdentifyModelLength)), Opt("atapi", kBool), Opt("sectors", kU32),
                         Opt("lba48_sectors", kU64), Opt("logical_sector_size", Int(UINT32_MAX - 1, 512))})}});
  const FieldRule *attachment = Choice({{"ahci", static_cast<uint64_t>(DiskAttachment::Ahci)},
                                        {"ide", static_cast<uint64_t>(DiskAttachment::Ide)}});
  const FieldRule *disk = Object({Opt("attachment", attachment), Opt("pci_device", kPciDevice),
                                  Opt("pci_function", kPciFunction), Req("channel", kU32), Opt("device", kU32),
                                  Opt("which_ide_fails", kBool), Opt("identify", identify),
                                  Opt("identify_fails", kBool), Opt("device_path", BytesRule()),
                                  Opt("device_path_protocol", kBool)});
  const FieldRule *bbs = Object({Opt("boot_priority", kU16), Opt("bus", kU32), Opt("device", kU32),
                                 Opt("function", kU32), Req("class", kU8), Req("subclass", kU8),
                                 Opt("device_type", kU16), Opt("status_flags", kU16),
                                 Opt("boot_handler_segment", kU16), Opt("boot_handler_offset", kU16)});
  const FieldRule *legacyBios = Object({Opt("install", kInstall), Opt("bbs", Array(bbs, UINT16_MAX)),
                                        Opt("get_bbs_info_fails", kBool)});
  const FieldRule *header = Object({Req("ports", kU8), Req("product", Ascii(127))});
  const FieldRule *rom = Forms(
      {{"image", Object({Req("segment", kU16), Req("image", BytesRule())})},
       {nullptr, Object({Req("segment", kU16), Opt("vendor_id", kU16), Opt("device_id", kU16),
                         Opt("headers", Array(header, 16))})}});
  return Object({Opt("pci", Array(pci)), Opt("disks", Array(disk)), Opt("legacy_bios", legacyBios),
                 Opt("option_roms", Array(rom))});
}

const FieldRule *Peripherals() {
  const FieldRule *sioDevice = Object({Req("kind", kU32), Opt("instance", kU8), Opt("io_base", kU16), Opt("irq", kU8),
                                       Opt("dma", kU8), Opt("present", kU8), Opt("enabled", kU8), Opt("active", kU8)});
  const FieldRule *superIo = Object({Opt("install", kInstall), Opt("devices", Array(sioDevice))});
  const FieldRule *counts = Object({Opt("keyboards", kU8), Opt("mice", kU8), Opt("pointing_devices", kU8),
                                    Opt("drives", kU8), Opt("hubs", kU8), Opt("smart_card_readers", kU8)});
  const FieldRule *usb = Object({Opt("install", kInstall), Opt("counts", counts),
                                 Opt("mass_storage", Array(Ascii(255), 126)), Opt("mass_dev_num", BytesRule())});
  const FieldRule *me = Object({Opt("install", kInstall),
                                Opt("responses", Map("a request code", UINT32_MAX, BytesRule())),
                                Opt("disable_outcome", kU8)});
  const FieldRule *messageBox = Object({Opt("install", kInstall)});
  const FieldRule *bridge = Object({Req("bus", kU8), Req("device", kPciDevice), Req("function", kPciFunction),
                                    Opt("vendor_id", kU16), Req("device_id", kU16)});
  const FieldRule *network = Object({Req("bus", kU8), Req("device", kPciDevice), Req("function", kPciFunction),
                                     Opt("vendor_id", kU16), Req("device_id", kU16), Opt("io_base", Int(0xFFF8)),
                                     Req("mac", Of(FieldType::Mac)), Opt("bridge", bridge)});
  const FieldRule *fru = Object({Req("texts", Array(Nullable(Ascii(4096)), 6, 6)), Opt("valid", kU8),
                                 Opt("size", Int(4096, 1))});
  return Object({Opt("super_io", superIo), Opt("usb", usb), Opt("management_engine", me),
                 Opt("message_box", messageBox), Opt("network", Array(network)), Opt("fru", fru)});
}

const FieldRule *Processor() {
  const FieldRule *record = Object({Opt("count", Int(UINT32_MAX, 1)), Opt("signature", kU32),
                                    Opt("feature_word", kU64), Opt("brand", Ascii(255)),
                                    Opt("capability_flag", kU8), Opt("core_count", kU8), Opt("threads_flag", kU8),
                                    Opt("microcode", kU32)});
  const FieldRule *cache = Object({Req("level", kU32), Opt("type", kU32), Req("size_kb", kU32), Opt("sharing", kU32),
                                   Opt("length", Int(4096))});
  const FieldRule *package = Object({Opt("processor_id", kU32), Opt("core_counts", Array(kU32, 4, 4)),
                                     Opt("caches", Array(cache, 64))});
  return Object({Opt("cpu_info", Object({Opt("install", kInstall), Opt("records", Array(record))})),
                 Opt("cpu_package", Object({Opt("install", kInstall), Opt("packages", Array(package, 64))}))});
}

const FieldRule *HardwareMonitor() {
  const FieldRule *reading = Forms({{nullptr, kU8}, {nullptr, Array(kU8, 256, 1)}});
  return Object({Opt("bank_select", kU8),
                 Opt("banks", Map("a bank number", 7, Map("a register index", UINT8_MAX, reading)))});
}

}  // namespace

const FieldRule &ByteStringRule() { return *BytesRule(); }

const FieldRule &BoardProfileRule() {
  static const FieldRule *const root = Object({
      Opt("name", kText),
      Opt("extends", kText),
      Opt("firmware", Firmware()),
      Opt("protocols", Protocols()),
      Opt("variables", Variables()),
      Opt("hobs", Hobs()),
      Opt("package_lists", Map("a form class", UINT16_MAX, Object(ListSettings()))),
      Opt("memory_map", MemoryMap()),
      Opt("hardware", Hardware()),
      Opt("memory", Memory()),
      Opt("storage", Storage()),
      Opt("peripherals", Peripherals()),
      Opt("processor", Processor()),
      Opt("hardware_monitor", HardwareMonitor()),
  });
  return *root;
}

const FieldRule &PackageListsFileRule() {
  static const FieldRule *const root = [] {
    std::vector<FieldMember> list = {Req("class", Int(UINT16_MAX, 1)), Opt("title", kText)};
    for (const FieldMember &member : ListSettings()) list.push_back(member);
    const FieldRule *string = Object({Req("label", kText), Req("text", kText)});
    return Object({Opt("strings", Map("a string id", UINT16_MAX, string, 1)), Req("lists", Array(Object(list)))});
  }();
  return *root;
}

}  // namespace sim
