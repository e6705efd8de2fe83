#include "sim/profile/profile_loader.h"

#include <limits>
#include <optional>
#include <set>
#include <stdexcept>
#include <utility>

#include "sim/machine/guid_text.h"
#include "sim/profile/builtin_files.h"
#include "sim/profile/byte_layout.h"
#include "sim/profile/install_field.h"
#include "sim/profile/json_field.h"
#include "sim/profile/memory_storage_section.h"
#include "sim/profile/package_lists.h"
#include "sim/profile/peripherals_section.h"
#include "sim/profile/processor_section.h"
#include "sim/profile/profile_extends.h"
#include "sim/profile/profile_fields.h"

namespace sim {
namespace {

using nlohmann::json;

constexpr size_t kLargestVariable = 0x10000;
constexpr size_t kLargestHob = 0xFFF8;  // the 16-bit HobLength, kept a multiple of 8
constexpr size_t kPciConfigSize = 4096;
constexpr size_t kLargestMemoryRegion = 0x100000;
constexpr uint16_t kGuidExtensionHob = 4;

std::string BuiltinBoardList() {
  std::string names;
  for (const std::string &name : BuiltinBoardNames()) names += (names.empty() ? "" : ", ") + name;
  return names;
}

// A map whose names and values are numbers, each range-checked by its rule.
template <typename Key, typename Value>
void ReadNumberMap(const std::optional<JsonField> &field, std::map<Key, Value> &out) {
  if (!field) return;
  for (const JsonField &member : field->Members()) {
    out[static_cast<Key>(member.KeyNumber(std::numeric_limits<Key>::max(), field->rule().keyWhat))] =
        static_cast<Value>(member.Unsigned(std::numeric_limits<Value>::max()));
  }
}

FirmwareSpec ReadFirmware(const JsonField &field) {
  const JsonObject object = field.Fields();
  FirmwareSpec firmware;
  if (const auto vendor = object.Optional("vendor"); vendor && vendor->value().is_null()) {
    firmware.vendor = std::nullopt;
  } else {
    object.Read("vendor", *firmware.vendor);
  }
  object.Read("firmware_revision", firmware.firmwareRevision);
  object.Read("system_table_revision", firmware.systemTableRevision);
  object.Read("dxe_services_revision", firmware.dxeServicesRevision);
  object.Read("dxe_services_present", firmware.dxeServicesPresent);
  return firmware;
}

BoardProtocolsSpec ReadProtocols(const JsonField &field) {
  const JsonObject object = field.Fields();
  BoardProtocolsSpec protocols;
  const struct {
    const char *name;
    Install &install;
  } timings[] = {{"framework_hii", protocols.frameworkHii},
                 {"string_service", protocols.stringService},
                 {"board_query", protocols.boardQuery},
                 {"board_register", protocols.boardRegister}};
  for (const auto &timing : timings) {
    if (const auto member = object.Optional(timing.name)) timing.install = ReadInstall(*member);
  }
  object.Read("board_condition", protocols.boardCondition);
  ReadNumberMap(object.Optional("board_registers"), protocols.boardRegisters);
  return protocols;
}

std::vector<VariableSpec> ReadVariables(const JsonField &field) {
  std::vector<VariableSpec> variables;
  std::set<std::pair<std::string, std::u16string>> seen;  // a search per variable would take the square
  for (const JsonField &element : field.Elements()) {
    const JsonObject object = element.Fields();
    VariableSpec variable;
    variable.name = object.Required("name").Text();
    if (variable.name.empty()) object.Optional("name")->Expected("a name that is not empty");
    variable.guid = object.Required("guid").Guid();
    // Only 3 and 7 survive the power cycle that starts every boot and the NVRAM file between boots.
    variable.attributes = static_cast<uint32_t>(object.Required("attributes").Unsigned());
    const JsonField data = object.Required("data");
    variable.data = ReadBytes(data, kLargestVariable);
    if (variable.data.empty()) data.Fail("a variable holds at least one byte");
    if (!seen.emplace(GuidToText(variable.guid), variable.name).second) {
      element.Fail("a second variable with the same name and GUID");
    }
    variables.push_back(std::move(variable));
  }
  return variables;
}

void AppendLittleEndian(std::vector<uint8_t> &bytes, uint64_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A header (type, length, reserved) and body padded to a multiple of 8 bytes.
HobSpec LaidOutHob(const JsonField &field, uint16_t hobType, std::vector<uint8_t> body) {
  body.resize((body.size() + 7) / 8 * 8, 0);
  if (8 + body.size() > kLargestHob) field.Fail("the HOB is longer than " + std::to_string(kLargestHob) + " bytes");
  HobSpec hob;
  AppendLittleEndian(hob.bytes, hobType, 2);
  AppendLittleEndian(hob.bytes, 8 + body.size(), 2);
  AppendLittleEndian(hob.bytes, 0, 4);
  hob.bytes.insert(hob.bytes.end(), body.begin(), body.end());
  return hob;
}

// The processor platform-information HOB of a board's processor firmware, by
// its short form {"count": 32, "ratio": 26, "min_ratio": 12}: per logical
// processor n, the two ratio bytes at data offsets 79 + 31n and 80 + 31n, the
// rest zero, as the processor pages read it.
HobSpec ProcessorRatiosHob(const JsonField &field) {
  constexpr char kPlatformInfoGuid[] = "2E547CB5-40F8-4F3E-8AF4-1952AAD55A0C";
  constexpr size_t kFirstRatio = 79, kProcessorStride = 31, kHeaders = 8 + sizeof(EFI_GUID);
  constexpr uint64_t kMostProcessors = (kLargestHob - kHeaders - kFirstRatio) / kProcessorStride;
  const JsonObject object = field.Fields();
  const auto count = static_cast<size_t>(object.Required("count").Unsigned(kMostProcessors, 1));
  const auto ratio = static_cast<uint8_t>(object.Required("ratio").Unsigned());
  const auto minRatio = static_cast<uint8_t>(object.Required("min_ratio").Unsigned());
  const EFI_GUID guid = *GuidFromText(kPlatformInfoGuid);
  const auto *guidBytes = reinterpret_cast<const uint8_t *>(&guid);
  std::vector<uint8_t> body(guidBytes, guidBytes + sizeof guid);
  body.resize(sizeof guid + kFirstRatio + kProcessorStride * count, 0);
  for (size_t n = 0; n < count; ++n) {
    body[sizeof guid + kFirstRatio + kProcessorStride * n] = ratio;
    body[sizeof guid + kFirstRatio + kProcessorStride * n + 1] = minRatio;
  }
  return LaidOutHob(field, kGuidExtensionHob, std::move(body));
}

// {"raw": "hex"} as given, {"processor_ratios": {...}} (above), or a type, the
// name GUID of a GUID-extension HOB and the data, laid out whole.
HobSpec ReadHob(const JsonField &field) {
  const JsonField::ChosenForm form = field.Form();
  const JsonObject object = form.field.Fields();
  if (form.Is("raw")) {
    HobSpec hob;
    hob.bytes = ReadBytes(object.Required("raw"), kLargestHob);
    return hob;
  }
  if (form.Is("processor_ratios")) return ProcessorRatiosHob(object.Required("processor_ratios"));
  const auto hobType = static_cast<uint16_t>(object.Required("type").Unsigned());
  std::vector<uint8_t> body;
  if (const auto guid = object.Optional("guid")) {
    if (hobType != kGuidExtensionHob) guid->Fail("only a GUID-extension HOB (type 4) has a name GUID");
    const EFI_GUID name = guid->Guid();
    const auto *bytes = reinterpret_cast<const uint8_t *>(&name);
    body.assign(bytes, bytes + sizeof name);
  } else if (hobType == kGuidExtensionHob) {
    field.Fail("a GUID-extension HOB (type 4) needs a guid");
  }
  if (const auto data = object.Optional("data")) {
    const std::vector<uint8_t> bytes = ReadBytes(*data, kLargestHob);
    body.insert(body.end(), bytes.begin(), bytes.end());
  }
  return LaidOutHob(field, hobType, std::move(body));
}

void ApplyPackageListSettings(const JsonField &field, std::vector<PackageListSpec> &lists) {
  for (const JsonField &member : field.Members()) {
    const auto formClass = static_cast<uint16_t>(member.KeyNumber());
    bool found = false;
    for (PackageListSpec &list : lists) {
      if (list.formClass != formClass) continue;
      ApplyListSettings(member.Fields(), list);
      found = true;
    }
    if (!found) member.Fail("no package list has class " + std::to_string(formClass));
  }
}

std::vector<MemoryMapEntrySpec> ReadMemoryMap(const JsonField &field) {
  constexpr uint64_t kPageSize = 4096;
  std::vector<MemoryMapEntrySpec> map;
  for (const JsonField &element : field.Elements()) {
    const JsonObject object = element.Fields();
    MemoryMapEntrySpec entry;
    entry.type = static_cast<uint32_t>(object.Required("type").Unsigned());
    const JsonField start = object.Required("start");
    entry.physicalStart = start.Unsigned();
    if (entry.physicalStart % kPageSize != 0) start.Expected("an address aligned to 4 KiB");
    // The last page may end at the very top of the address space.
    entry.numberOfPages = object.Required("pages").Unsigned((UINT64_MAX - entry.physicalStart) / kPageSize + 1, 1);
    object.Read("attribute", entry.attribute);
    map.push_back(entry);
  }
  return map;
}

std::vector<PciFunctionSpec> ReadPci(const JsonField &field) {
  std::vector<PciFunctionSpec> functions;
  for (const JsonField &element : field.Elements()) {
    const JsonObject object = element.Fields();
    PciFunctionSpec pci;
    pci.bus = static_cast<uint8_t>(object.Required("bus").Unsigned());
    pci.device = static_cast<uint8_t>(object.Required("device").Unsigned());
    pci.function = static_cast<uint8_t>(object.Required("function").Unsigned());
    pci.config = ReadBytes(object.Required("config"), kPciConfigSize);
    for (const PciFunctionSpec &other : functions) {
      if (other.bus == pci.bus && other.device == pci.device && other.function == pci.function) {
        element.Fail("a second entry for the same bus, device and function");
      }
    }
    functions.push_back(std::move(pci));
  }
  return functions;
}

std::vector<CpuidSpec> ReadCpuid(const JsonField &field) {
  std::vector<CpuidSpec> leaves;
  for (const JsonField &element : field.Elements()) {
    const JsonObject object = element.Fields();
    CpuidSpec cpuid;
    cpuid.leaf = static_cast<uint32_t>(object.Required("leaf").Unsigned());
    object.Read("subleaf", cpuid.subleaf);
    object.Read("eax", cpuid.eax);
    object.Read("ebx", cpuid.ebx);
    object.Read("ecx", cpuid.ecx);
    object.Read("edx", cpuid.edx);
    for (const CpuidSpec &other : leaves) {
      if (other.leaf == cpuid.leaf && other.subleaf == cpuid.subleaf) element.Fail("a second entry for the same leaf");
    }
    leaves.push_back(cpuid);
  }
  return leaves;
}

std::vector<MemoryRegionSpec> ReadMemory(const JsonField &field) {
  std::vector<MemoryRegionSpec> regions;
  for (const JsonField &element : field.Elements()) {
    const JsonObject object = element.Fields();
    MemoryRegionSpec region;
    const JsonField base = object.Required("base");
    region.base = base.Unsigned();
    region.bytes = ReadBytes(object.Required("data"), kLargestMemoryRegion);
    if (region.bytes.size() > UINT64_MAX - region.base) base.Fail("the region runs past the top of memory");
    for (const MemoryRegionSpec &other : regions) {
      if (region.base < other.base + other.bytes.size() && other.base < region.base + region.bytes.size()) {
        element.Fail("overlaps another memory region");
      }
    }
    regions.push_back(std::move(region));
  }
  return regions;
}

HardwareSpec ReadHardware(const JsonField &field) {
  const JsonObject object = field.Fields();
  HardwareSpec hardware;
  ReadNumberMap(object.Optional("ports"), hardware.portValues);
  if (const auto pci = object.Optional("pci")) hardware.pci = ReadPci(*pci);
  object.Read("pci_express_base", hardware.pciExpressBase);
  ReadNumberMap(object.Optional("msrs"), hardware.msrs);
  if (const auto cpuid = object.Optional("cpuid")) hardware.cpuid = ReadCpuid(*cpuid);
  if (const auto memory = object.Optional("memory")) hardware.memory = ReadMemory(*memory);
  return hardware;
}

}  // namespace

namespace {

BoardProfile ReadProfile(const json &document, const std::string &sourceName) {
  const JsonField root(document, sourceName, "", BoardProfileRule());
  const JsonObject object = root.Fields();
  BoardProfile profile;
  profile.name = sourceName;
  object.Read("name", profile.name);
  if (const auto firmware = object.Optional("firmware")) profile.firmware = ReadFirmware(*firmware);
  if (const auto protocols = object.Optional("protocols")) profile.protocols = ReadProtocols(*protocols);
  if (const auto variables = object.Optional("variables")) profile.variables = ReadVariables(*variables);
  if (const auto hobs = object.Optional("hobs")) {
    for (const JsonField &element : hobs->Elements()) profile.hobs.push_back(ReadHob(element));
  }
  profile.packageLists = BuiltinPackageLists();
  if (const auto lists = object.Optional("package_lists")) ApplyPackageListSettings(*lists, profile.packageLists);
  if (const auto map = object.Optional("memory_map")) profile.memoryMap = ReadMemoryMap(*map);
  if (const auto hardware = object.Optional("hardware")) profile.hardware = ReadHardware(*hardware);
  ReadMemoryStorageSections(object, profile);
  if (const auto peripherals = object.Optional("peripherals")) {
    profile.peripherals = ReadPeripherals(*peripherals, profile.hardware);
  }
  profile.processor = ReadProcessorSections(object);
  const std::string speed = RatedSpeedWarning(profile);
  if (!speed.empty()) profile.warnings.push_back(sourceName + ": " + speed);
  return profile;
}

void CheckBase(const json &base, const std::string &source) { ReadProfile(base, source); }

}  // namespace

BoardProfile ReadEffectiveProfile(const json &profile, const std::string &sourceName) {
  return ReadProfile(profile, sourceName);
}

json EffectiveProfileJson(const std::string &text, const std::string &sourceName) {
  return ResolveExtends(ParseProfileJson(text, sourceName), {sourceName, std::nullopt}, CheckBase);
}

json EffectiveProfileFileJson(const std::string &path) {
  const std::string text = ReadProfileFile(path, path + ": cannot read the board profile: ");
  return ResolveExtends(ParseProfileJson(text, path), FileOrigin(path), CheckBase);
}

json EffectiveBuiltinBoardJson(const std::string &name) {
  const std::optional<std::string_view> text = BuiltinFileText(name);
  if (!text || name == kPackageListsFile) {
    throw std::runtime_error("no built-in board named \"" + name + "\" (built in: " + BuiltinBoardList() + ")");
  }
  return EffectiveProfileJson(std::string(*text), name + ".json");
}

BoardProfile LoadBoardProfile(const std::string &text, const std::string &sourceName) {
  return ReadProfile(EffectiveProfileJson(text, sourceName), sourceName);
}

BoardProfile LoadBoardProfileFile(const std::string &path) { return ReadProfile(EffectiveProfileFileJson(path), path); }

BoardProfile LoadBuiltinBoard(const std::string &name) {
  return ReadProfile(EffectiveBuiltinBoardJson(name), name + ".json");
}

}  // namespace sim
