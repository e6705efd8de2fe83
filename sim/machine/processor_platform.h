// The board's processor firmware as the driver sees it: CpuInfoProtocol with a
// record per logical processor and CpuPackageProtocol with each package's counts,
// processor identifier and cache descriptor list, built from the profile. The
// records and lists stay where they are for the machine's life, as the
// protocols' own data does in firmware.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/pages/processor_protocols.h"
#include "sim/profile_processor.h"

namespace sim {

class Machine;

class ProcessorFirmware {
 public:
  explicit ProcessorFirmware(const ProcessorBoardSpec &spec);
  ProcessorFirmware(const ProcessorFirmware &) = delete;
  ProcessorFirmware &operator=(const ProcessorFirmware &) = delete;

  // Installs the protocols the profile schedules for that moment.
  void Install(Machine &machine, sim::Install when);

 private:
  // Each interface starts with the protocol's table, so a member finds its
  // firmware from This.
  struct CpuInfoInterface {
    CpuInfoProtocol table;
    ProcessorFirmware *firmware;
  };
  struct CpuPackageInterface {
    CpuPackageProtocol table;
    ProcessorFirmware *firmware;
  };

  static EFI_STATUS EFIAPI GetCpuInfo(CpuInfoProtocol *This, UINTN ProcessorIndex, CpuInfoRecord **Record);
  static EFI_STATUS EFIAPI GetCoreCounts(CpuPackageProtocol *This, UINTN Package, UINT32 *First, UINT32 *Second,
                                         UINT32 *Third, UINT32 *Fourth);
  static EFI_STATUS EFIAPI GetPackageProcessorId(CpuPackageProtocol *This, UINTN Package, VOID *Selector1,
                                                 VOID *Selector2, UINT32 *Id, VOID *Reserved);
  static EFI_STATUS EFIAPI GetCacheDescriptors(CpuPackageProtocol *This, UINTN Package, VOID *Selector,
                                               CacheDescriptor **List, UINT32 *Count);
  static ProcessorFirmware &Of(CpuPackageProtocol *This);
  const CpuPackageSpec *Package(UINTN package) const;

  const ProcessorBoardSpec spec_;
  std::vector<std::string> brands_;          // one per record spec, terminated by std::string
  std::vector<CpuInfoRecord> records_;       // one per logical processor
  std::vector<std::vector<uint64_t>> cacheLists_;  // per package, 8-byte aligned
  CpuInfoInterface cpuInfo_;
  CpuPackageInterface cpuPackage_;
};

}  // namespace sim
