// The board inputs of the processor and hardware-monitor pages beyond the
// generic variables, HOBs, CPUID leaves and MSRs: the processor firmware's two
// protocols and the hardware-monitor chip. Plain data, filled by the profile
// loader (sim/profile/processor_section.cpp) and built into the machine by
// sim/machine/processor_platform.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/install_timing.h"

namespace sim {

// The record CpuInfoProtocol reports for `count` consecutive logical processors.
struct CpuInfoRecordSpec {
  uint32_t count = 1;
  uint32_t signature = 0;    // CPUID leaf 1 EAX
  uint64_t featureWord = 0;
  std::optional<std::string> brand;  // 8-bit text; nullopt: a null brand pointer
  uint8_t capabilityFlag = 0;
  uint8_t coreCount = 0;
  uint8_t threadsFlag = 0;   // non-zero: two threads per core
  uint32_t microcode = 0;
};

// One entry of a package's packed cache descriptor list.
struct CacheDescriptorSpec {
  uint32_t length = 24;  // from this descriptor to the next, in bytes
  uint32_t level = 0;
  uint32_t sizeKb = 0;
  uint32_t type = 0;
  uint32_t sharing = 0;
};

// What CpuPackageProtocol reports for one package; an absent member fails.
struct CpuPackageSpec {
  std::optional<uint32_t> processorId;                      // GetPackageProcessorId
  std::optional<std::array<uint32_t, 4>> coreCounts;        // GetCoreCounts
  std::optional<std::vector<CacheDescriptorSpec>> caches;   // GetCacheDescriptors
};

// The chip behind the index/data ports 0xA35/0xA36. Register 0x4E of every bank
// is the bank-select register (bits 2-0 the bank).
struct HardwareMonitorSpec {
  uint8_t bankSelect = 0;  // its value at power-on
  // (bank, index) -> successive readings: each read returns the next, the last one stays.
  // Unlisted registers read 0.
  std::map<std::pair<uint8_t, uint8_t>, std::vector<uint8_t>> registers;
};

struct ProcessorBoardSpec {
  Install cpuInfoInstall = Install::Never;
  std::vector<CpuInfoRecordSpec> cpuInfoRecords;  // in logical-processor order
  Install cpuPackageInstall = Install::Never;
  std::vector<CpuPackageSpec> packages;
  std::optional<HardwareMonitorSpec> hardwareMonitor;  // nullopt: nothing behind the ports
};

}  // namespace sim
