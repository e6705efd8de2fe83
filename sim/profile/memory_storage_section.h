// The "memory" and "storage" sections of a board profile (docs/board-profile.md):
// the memory firmware's MemoryInfo variable and host data block, and the hub,
// bridges, controllers, disks, legacy BIOS protocol and option ROMs behind the
// chipset and storage page.
#pragma once

#include "sim/board_profile.h"
#include "sim/profile/json_field.h"

namespace sim {

// Reads both sections of the profile's top-level object into profile.memoryStorage;
// their PCI functions and option ROM images join profile.hardware, which must be
// read already, as must profile.variables (a MemoryInfo there may not also be
// described here).
void ReadMemoryStorageSections(const JsonObject &root, BoardProfile &profile);

// The "storage" section alone (storage_section.cpp).
void ReadStorageSection(const JsonField &field, BoardProfile &profile);

}  // namespace sim
