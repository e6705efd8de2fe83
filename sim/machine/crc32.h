// The CRC-32 of UEFI (IEEE 802.3, reflected, polynomial 0xEDB88320), as the boot
// services' CalculateCrc32 computes it: the system tables' headers and the
// UEFI Shell's dmpstore records carry it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sim {

uint32_t Crc32(const void *data, size_t size);

}  // namespace sim
