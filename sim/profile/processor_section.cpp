#include "sim/profile/processor_section.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <limits>
#include <stdexcept>

#include "sim/profile/install_field.h"

namespace sim {
namespace {

constexpr uint64_t kMostLogicalProcessors = 4096;
constexpr uint8_t kBankSelectRegister = 0x4E;

// A number whose rule fits Number.
template <typename Number>
Number ReadNumber(const JsonField &field) {
  return static_cast<Number>(field.Unsigned(std::min<uint64_t>(field.rule().max, std::numeric_limits<Number>::max()),
                                            field.rule().min));
}

std::vector<CpuInfoRecordSpec> ReadCpuInfoRecords(const JsonField &field) {
  std::vector<CpuInfoRecordSpec> records;
  uint64_t logicalProcessors = 0;
  for (const JsonField &element : field.Elements()) {
    const JsonObject object = element.Fields();
    CpuInfoRecordSpec record;
    object.Read("count", record.count);
    logicalProcessors += record.count;
    if (logicalProcessors > kMostLogicalProcessors) {
      element.Fail("more than " + std::to_string(kMostLogicalProcessors) + " logical processors in all");
    }
    object.Read("signature", record.signature);
    object.Read("feature_word", record.featureWord);
    if (const auto brand = object.Optional("brand")) record.brand = brand->Ascii();
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
  for (const JsonField &element : field.Elements()) {
    const JsonObject object = element.Fields();
    CacheDescriptorSpec cache;
    cache.level = ReadNumber<uint32_t>(object.Required("level"));
    object.Read("type", cache.type);
    cache.sizeKb = ReadNumber<uint32_t>(object.Required("size_kb"));
    object.Read("sharing", cache.sharing);
    object.Read("length", cache.length);
    caches.push_back(cache);
  }
  return caches;
}

std::array<uint32_t, 4> ReadCoreCounts(const JsonField &field) {
  const std::vector<JsonField> elements = field.Elements();
  std::array<uint32_t, 4> counts{};
  if (elements.size() != counts.size()) throw std::logic_error("core_counts: the table and the record disagree");
  for (size_t i = 0; i < counts.size(); ++i) counts[i] = ReadNumber<uint32_t>(elements[i]);
  return counts;
}

std::vector<CpuPackageSpec> ReadPackages(const JsonField &field) {
  std::vector<CpuPackageSpec> packages;
  for (const JsonField &element : field.Elements()) {
    const JsonObject object = element.Fields();
    CpuPackageSpec package;
    if (const auto id = object.Optional("processor_id")) package.processorId = ReadNumber<uint32_t>(*id);
    if (const auto counts = object.Optional("core_counts")) package.coreCounts = ReadCoreCounts(*counts);
    if (const auto caches = object.Optional("caches")) package.caches = ReadCaches(*caches);
    packages.push_back(std::move(package));
  }
  return packages;
}

// One byte, or the bytes read in turn.
std::vector<uint8_t> ReadReadings(const JsonField &field) {
  const JsonField readings = field.Form().field;
  if (readings.rule().type == FieldType::Integer) return {ReadNumber<uint8_t>(readings)};
  std::vector<uint8_t> bytes;
  for (const JsonField &element : readings.Elements()) bytes.push_back(ReadNumber<uint8_t>(element));
  return bytes;
}

HardwareMonitorSpec ReadHardwareMonitor(const JsonField &field) {
  const JsonObject object = field.Fields();
  HardwareMonitorSpec monitor;
  object.Read("bank_select", monitor.bankSelect);
  const auto banks = object.Optional("banks");
  if (!banks) return monitor;
  for (const JsonField &bank : banks->Members()) {
    const auto number = static_cast<uint8_t>(bank.KeyNumber());
    for (const JsonField &reg : bank.Members()) {
      const auto index = static_cast<uint8_t>(reg.KeyNumber());
      if (index == kBankSelectRegister) reg.Fail("0x4E is the bank-select register: give it as bank_select");
      monitor.registers[{number, index}] = ReadReadings(reg);
    }
  }
  return monitor;
}

}  // namespace

std::string RatedSpeedWarning(const BoardProfile &profile) {
  // The processor summary reads CPUID leaf 1 and MSR 0xCE: models 0x206A0, 0x206D0 and 0x306A0
  // (stepping aside) run a 100 MHz bus clock and take the ratio from bits 15:8, the others 133 MHz
  // and bits 7:0.
  constexpr uint32_t kHundredMegahertzModels[] = {0x206A0, 0x206D0, 0x306A0};
  constexpr uint32_t kPlatformInfoMsr = 0xCE;
  if (profile.processor.cpuInfoRecords.empty()) return "";
  uint32_t signature = 0;
  for (const CpuidSpec &leaf : profile.hardware.cpuid) {
    if (leaf.leaf == 1 && leaf.subleaf == 0) signature = leaf.eax;
  }
  const auto msr = profile.hardware.msrs.find(kPlatformInfoMsr);
  const uint64_t platformInfo = msr == profile.hardware.msrs.end() ? 0 : msr->second;
  const bool hundred = std::find(std::begin(kHundredMegahertzModels), std::end(kHundredMegahertzModels),
                                 signature & ~0xFu) != std::end(kHundredMegahertzModels);
  const uint64_t ratio = hundred ? (platformInfo >> 8) & 0xFF : platformInfo & 0xFF;
  if (ratio != 0) return "";
  char text[320];
  std::snprintf(text, sizeof text,
                "the processor summary will show a rated speed of 0 MHz: CPUID leaf 1 signature 0x%X runs a %s MHz "
                "bus clock, whose ratio is bits %s of MSR 0xCE (hardware.msrs, 0x%llX here); see docs/board-profile.md",
                signature, hundred ? "100" : "133", hundred ? "15:8" : "7:0",
                static_cast<unsigned long long>(platformInfo));
  return text;
}

ProcessorBoardSpec ReadProcessorSections(const JsonObject &profile) {
  ProcessorBoardSpec board;
  if (const auto processor = profile.Optional("processor")) {
    const JsonObject sections = processor->Fields();
    if (const auto cpuInfo = sections.Optional("cpu_info")) {
      const JsonObject object = cpuInfo->Fields();
      board.cpuInfoInstall = Install::AtLoad;
      if (const auto install = object.Optional("install")) board.cpuInfoInstall = ReadInstall(*install);
      if (const auto records = object.Optional("records")) board.cpuInfoRecords = ReadCpuInfoRecords(*records);
    }
    if (const auto cpuPackage = sections.Optional("cpu_package")) {
      const JsonObject object = cpuPackage->Fields();
      board.cpuPackageInstall = Install::AtLoad;
      if (const auto install = object.Optional("install")) board.cpuPackageInstall = ReadInstall(*install);
      if (const auto packages = object.Optional("packages")) board.packages = ReadPackages(*packages);
    }
  }
  if (const auto monitor = profile.Optional("hardware_monitor")) board.hardwareMonitor = ReadHardwareMonitor(*monitor);
  return board;
}

}  // namespace sim
