// Boot services enough for pool allocation, for the host tests of the firmware
// images' pieces. Blocks are tracked so a test can see them released; pool is not
// cleared, as on firmware.
#pragma once

#include <cstddef>

namespace fake_pool {

// Points gBS at the fake services (idempotent).
void Install();
// Blocks allocated and not yet released.
size_t Outstanding();
// While set, every allocation fails with EFI_OUT_OF_RESOURCES.
void FailAllocations(bool fail);

}  // namespace fake_pool
