// The board's processor firmware as the driver sees it: CpuInfoProtocol with a
// record per logical processor and CpuPackageProtocol with each package's counts,
// processor identifier and cache descriptor list, built from the profile. The
// records and lists stay where they are for the machine's life, as the
// protocols' own data does in firmware.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/uefi/uefi_base.h"
#include "sim/machine/platform_records.h"
#include "sim/profile_processor.h"

namespace sim {

class Machine;

class ProcessorFirmware {
 public:
  explicit ProcessorFirmware(const ProcessorBoardSpec &board);
  ProcessorFirmware(const ProcessorFirmware &) = delete;
  ProcessorFirmware &operator=(const ProcessorFirmware &) = delete;

  // Installs the protocols the profile schedules for that moment.
  void Install(Machine &machine, sim::Install when);

 private:
  // Each interface starts with the protocol's slots, so a member finds its
  // firmware from This.
  struct CpuInfoInterface {
    InterfaceSlot slots[cpu_info_protocol::kSlots];
    ProcessorFirmware *firmware;
  };
  struct CpuPackageInterface {
    InterfaceSlot slots[cpu_package_protocol::kSlots];
    ProcessorFirmware *firmware;
  };
  // Aligned as the protocol's own records are, for the pointer and the 8-byte field.
  struct alignas(8) CpuInfoBytes {
    uint8_t bytes[cpu_info_record::kSize];
  };

  static EFI_STATUS EFIAPI GetCpuInfo(VOID *This, UINTN ProcessorIndex, VOID **Record);
  static EFI_STATUS EFIAPI GetCoreCounts(VOID *This, UINTN Package, UINT32 *First, UINT32 *Second, UINT32 *Third,
                                         UINT32 *Fourth);
  static EFI_STATUS EFIAPI GetPackageProcessorId(VOID *This, UINTN Package, VOID *Selector1, VOID *Selector2,
                                                 UINT32 *Id, VOID *Reserved);
  static EFI_STATUS EFIAPI GetCacheDescriptors(VOID *This, UINTN Package, VOID *Selector, VOID **List,
                                               UINT32 *Count);
  static ProcessorFirmware &Of(VOID *This);
  const CpuPackageSpec *Package(UINTN package) const;

  const ProcessorBoardSpec &board_;  // the machine's profile, which outlives it
  std::vector<std::string> brands_;                // one per CpuInfo record, terminated by std::string
  std::vector<CpuInfoBytes> records_;              // one per logical processor
  std::vector<std::vector<uint8_t>> cacheLists_;   // per package, exactly as long as its descriptors
  CpuInfoInterface cpuInfo_;
  CpuPackageInterface cpuPackage_;
};

}  // namespace sim
