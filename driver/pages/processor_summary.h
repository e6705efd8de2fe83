// The processor summary page (class 2): brand, signature, microcode, speeds,
// caches, threads and capabilities of the first processor package, from the
// processor firmware's two protocols, the platform HOB, CPUID and MSR 0xCE.
#pragma once

#include "uefi/uefi_base.h"

// The speed a processor brand states before its first "GHz" or "MHz", in MHz
// ("@ 2.60GHz" gives 2600, "@ 800MHz" gives 800). False when the brand is null,
// names neither unit, or has no number directly before it.
BOOLEAN ParseBrandSpeed(const CHAR8 *Brand, UINT32 *SpeedMhz);

// MHz per unit of a clock ratio for a processor of that CPUID signature.
UINT32 BusClockMultiplier(UINT32 Signature);

// The rated speed from the platform information register (MSR 0xCE).
UINT32 RatedSpeedMhz(UINT64 PlatformInfo, UINT32 Multiplier);
