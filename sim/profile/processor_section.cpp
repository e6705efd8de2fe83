#include "sim/profile/processor_section.h"

#include <limits>

#include "sim/profile/install_field.h"

namespace sim {
namespace {

constexpr uint64_t kMostLogicalProcessors = 4096;
constexpr size_t kMostPackages = 64;
constexpr size_t kMostCacheDescriptors = 64;
constexpr uint64_t kLongestDescriptor = 4096;
constexpr size_t kLongestBrand = 255;
constexpr size_t kMostReadings = 256;
constexpr uint64_t kLastBank = 7;  // three bank bits
constexpr uint8_t kBankSelectRegister = 0x4E;

template <typename Number>
Number ReadNumber(const JsonField &field, uint64_t min = 0) {
  return static_cast<Number>(field.Unsigned(std::numeric_limits<Number>::max(), min));
}

std::string ReadBrand(const JsonField &field) {
  const std::string brand = field.String();
  for (const char c : brand) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == 0 || byte > 0x7F) field.Expected("ASCII text without zero characters");
  }
  if (brand.size() > kLongestBrand) field.Fail("longer than " + std::to_string(kLongestBrand) + " characters");
  return brand;
}

std::vector<CpuInfoRecordSpec> ReadCpuInfoRecords(const JsonField &field) {
  std::vector<CpuInfoRecordSpec> records;
  uint64_t logicalProcessors = 0;
  for (const JsonField &element : field.Elements()) {
    const JsonObject object = element.Fields({"count", "signature", "feature_word", "brand", "capability_flag",
                                              "core_count", "threads_flag", "microcode"});
    CpuInfoRecordSpec record;
    if (const auto count = object.Optional("count")) record.count = ReadNumber<uint32_t>(*count, 1);
    logicalProcessors += record.count;
    if (logicalProcessors > kMostLogicalProcessors) {
      element.Fail("more than " + std::to_string(kMostLogicalProcessors) + " logical processors in all");
    }
    object.Read("signature", record.signature);
    object.Read("feature_word", record.featureWord);
    if (const auto brand = object.Optional("brand")) record.brand = ReadBrand(*brand);
    object.Read("capability_flag", record.capabilityFlag);
    object.Read("core_count", record.coreCount);
    object.Read("threads_flag", record.threadsFlag);
    object.Read("microcode", record.microcode);
    records.push_back(std::move(record));
  }
  return records;
}

std::vector<CacheDescriptorSpec> ReadCaches(const JsonField &field) {
  std::vector<CacheDescriptorSpec> caches;
  const std::vector<JsonField> elements = field.Elements();
  if (elements.size() > kMostCacheDescriptors) {
    field.Fail("more than " + std::to_string(kMostCacheDescriptors) + " descriptors");
  }
  for (const JsonField &element : elements) {
    const JsonObject object = element.Fields({"level", "type", "size_kb", "sharing", "length"});
    CacheDescriptorSpec cache;
    cache.level = ReadNumber<uint32_t>(object.Required("level"));
    object.Read("type", cache.type);
    cache.sizeKb = ReadNumber<uint32_t>(object.Required("size_kb"));
    object.Read("sharing", cache.sharing);
    if (const auto length = object.Optional("length")) {
      cache.length = static_cast<uint32_t>(length->Unsigned(kLongestDescriptor));
    }
    caches.push_back(cache);
  }
  return caches;
}

std::array<uint32_t, 4> ReadCoreCounts(const JsonField &field) {
  const std::vector<JsonField> elements = field.Elements();
  if (elements.size() != 4) field.Expected("four counts");
  std::array<uint32_t, 4> counts{};
  for (size_t i = 0; i < counts.size(); ++i) counts[i] = ReadNumber<uint32_t>(elements[i]);
  return counts;
}

std::vector<CpuPackageSpec> ReadPackages(const JsonField &field) {
  std::vector<CpuPackageSpec> packages;
  const std::vector<JsonField> elements = field.Elements();
  if (elements.size() > kMostPackages) field.Fail("more than " + std::to_string(kMostPackages) + " packages");
  for (const JsonField &element : elements) {
    const JsonObject object = element.Fields({"processor_id", "core_counts", "caches"});
    CpuPackageSpec package;
    if (const auto id = object.Optional("processor_id")) package.processorId = ReadNumber<uint32_t>(*id);
    if (const auto counts = object.Optional("core_counts")) package.coreCounts = ReadCoreCounts(*counts);
    if (const auto caches = object.Optional("caches")) package.caches = ReadCaches(*caches);
    packages.push_back(std::move(package));
  }
  return packages;
}

std::vector<uint8_t> ReadReadings(const JsonField &field) {
  if (!field.value().is_array()) return {ReadNumber<uint8_t>(field)};
  std::vector<uint8_t> readings;
  for (const JsonField &element : field.Elements()) readings.push_back(ReadNumber<uint8_t>(element));
  if (readings.empty() || readings.size() > kMostReadings) {
    field.Expected("1 to " + std::to_string(kMostReadings) + " readings");
  }
  return readings;
}

HardwareMonitorSpec ReadHardwareMonitor(const JsonField &field) {
  const JsonObject object = field.Fields({"bank_select", "banks"});
  HardwareMonitorSpec monitor;
  object.Read("bank_select", monitor.bankSelect);
  const auto banks = object.Optional("banks");
  if (!banks) return monitor;
  for (const JsonField &bank : banks->Members()) {
    const auto number = static_cast<uint8_t>(bank.KeyNumber(kLastBank, "a bank number"));
    for (const JsonField &reg : bank.Members()) {
      const auto index = static_cast<uint8_t>(reg.KeyNumber(UINT8_MAX, "a register index"));
      if (index == kBankSelectRegister) reg.Fail("0x4E is the bank-select register: give it as bank_select");
      monitor.registers[{number, index}] = ReadReadings(reg);
    }
  }
  return monitor;
}

}  // namespace

ProcessorBoardSpec ReadProcessorSections(const JsonObject &profile) {
  ProcessorBoardSpec board;
  if (const auto processor = profile.Optional("processor")) {
    const JsonObject sections = processor->Fields({"cpu_info", "cpu_package"});
    if (const auto cpuInfo = sections.Optional("cpu_info")) {
      const JsonObject object = cpuInfo->Fields({"install", "records"});
      board.cpuInfoInstall = Install::AtLoad;
      if (const auto install = object.Optional("install")) board.cpuInfoInstall = ReadInstall(*install);
      if (const auto records = object.Optional("records")) board.cpuInfoRecords = ReadCpuInfoRecords(*records);
    }
    if (const auto cpuPackage = sections.Optional("cpu_package")) {
      const JsonObject object = cpuPackage->Fields({"install", "packages"});
      board.cpuPackageInstall = Install::AtLoad;
      if (const auto install = object.Optional("install")) board.cpuPackageInstall = ReadInstall(*install);
      if (const auto packages = object.Optional("packages")) board.packages = ReadPackages(*packages);
    }
  }
  if (const auto monitor = profile.Optional("hardware_monitor")) board.hardwareMonitor = ReadHardwareMonitor(*monitor);
  return board;
}

}  // namespace sim
