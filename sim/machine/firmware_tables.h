// The parts of the system table a profile fills besides the service tables:
// the HOB list and the DXE services table of the configuration table, and the
// table headers' size and CRC.
#pragma once

#include <vector>

#include "driver/uefi/pi_hob.h"
#include "driver/uefi/uefi_tables.h"
#include "sim/board_profile.h"

namespace sim {

constexpr size_t kDxeServiceCount = 18;  // PI DXE services, AddMemorySpace .. SetMemorySpaceCapabilities

// The header the driver reads, then every service as a logging stand-in.
struct DxeServicesTable {
  DXE_SERVICES_TABLE_HEADER Header;
  EFI_STATUS(EFIAPI *Services[kDxeServiceCount])();
};

// The profile's HOBs byte for byte, then the end-of-list HOB; 8-byte aligned.
std::vector<uint64_t> BuildHobList(const std::vector<HobSpec> &hobs);
void FillDxeServices(DxeServicesTable &table, uint32_t revision);
// Sets the header's signature, revision and size, and its CRC32 over the whole table.
void SealTableHeader(EFI_TABLE_HEADER &header, uint64_t signature, uint32_t revision, size_t tableSize);

}  // namespace sim
