// Names for the vendor GUIDs a firmware engineer meets in a store, shown beside
// the GUID text so that a listing reads without a GUID table at hand.
#pragma once

#include "driver/uefi/uefi_base.h"

namespace setup_sim {

// The GUID's name ("EFI global variable", "setup"), or null for a GUID the
// simulator does not know.
const char *GuidName(const EFI_GUID &guid);

}  // namespace setup_sim
