// Everything a board profile can set: the inputs the simulated platform hands
// the driver. Filled by the profile loader (sim/profile) from JSON; read by the
// machine (sim/machine) when it builds a boot. Later pages add their fields here.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "driver/uefi/uefi_base.h"
#include "sim/install_timing.h"
#include "sim/profile_memory_storage.h"
#include "sim/profile_peripherals.h"
#include "sim/profile_processor.h"
#include "sim/string_table.h"

namespace sim {

struct VariableSpec {
  std::u16string name;
  EFI_GUID guid{};
  uint32_t attributes = 0;
  std::vector<uint8_t> data;
};

// One hand-off block, laid out whole (header included) by the loader, so a
// profile can also describe malformed blocks.
struct HobSpec {
  std::vector<uint8_t> bytes;
};

struct FirmwareSpec {
  std::optional<std::u16string> vendor = u"";  // nullopt: a null FirmwareVendor pointer
  uint32_t firmwareRevision = 0;
  uint32_t systemTableRevision = 0;  // EFI_SYSTEM_TABLE.Hdr.Revision
  uint32_t dxeServicesRevision = 0;  // 0 with dxeServicesPresent false: no DXE services table
  bool dxeServicesPresent = true;
};

// One of the setup menu's package lists as the HII database holds it.
struct PackageListSpec {
  uint16_t formClass = 0;
  std::string title;                  // the menu page's name, e.g. "Advanced"
  std::u16string primaryLanguages;    // e.g. u"eng"; empty: GetPrimaryLanguages fails
  std::u16string secondaryLanguages;  // empty: GetSecondaryLanguages fails
  // The form defaults of variable id 0 (the Setup image); nullopt: GetDefaultImage fails.
  std::optional<std::vector<uint8_t>> defaults;
  StringTable strings;
  std::vector<uint8_t> formPackage;  // the list's UEFI form package (IFR); empty: no forms
};

struct PciFunctionSpec {
  uint8_t bus = 0, device = 0, function = 0;
  std::vector<uint8_t> config;  // up to 4096 bytes; absent functions read all ones
};

struct CpuidSpec {
  uint32_t leaf = 0, subleaf = 0;
  uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};

struct MemoryRegionSpec {
  uint64_t base = 0;
  std::vector<uint8_t> bytes;
};

struct HardwareSpec {
  std::map<uint16_t, uint32_t> portValues;  // what a read of the port returns; unlisted ports read all ones
  std::vector<PciFunctionSpec> pci;
  uint32_t pciExpressBase = 0x80000000;     // reported through bus 0, device 5, function 0, register 0x84
  std::map<uint32_t, uint64_t> msrs;
  std::vector<CpuidSpec> cpuid;
  std::vector<MemoryRegionSpec> memory;     // physical memory the driver may read (legacy BIOS area, ROMs)
};

struct MemoryMapEntrySpec {
  uint32_t type = 0;
  uint64_t physicalStart = 0;
  uint64_t numberOfPages = 0;
  uint64_t attribute = 0;
};

struct BoardProtocolsSpec {
  Install frameworkHii = Install::AtLoad;
  Install stringService = Install::AtLoad;
  Install boardQuery = Install::AtLoad;
  Install boardRegister = Install::AtLoad;
  uint8_t boardCondition = 0;                 // first byte QueryBoardCondition(2) stores
  std::map<uint32_t, uint64_t> boardRegisters; // values ReadRegister returns; unlisted read 0
};

struct BoardProfile {
  std::string name;
  FirmwareSpec firmware;
  std::vector<VariableSpec> variables;  // in the store before the first boot on a fresh NVRAM file
  std::vector<HobSpec> hobs;            // the end-of-list HOB is appended by the machine
  std::vector<PackageListSpec> packageLists;
  std::vector<MemoryMapEntrySpec> memoryMap;
  HardwareSpec hardware;
  BoardProtocolsSpec protocols;
  MemoryStorageSpec memoryStorage;
  PeripheralsSpec peripherals;
  ProcessorBoardSpec processor;  // processor firmware and hardware-monitor chip
  // What the loader found that boots but is likely not meant, e.g. values that show a speed of 0 MHz.
  std::vector<std::string> warnings;
};

}  // namespace sim
