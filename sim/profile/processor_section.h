// The profile's "processor" and "hardware_monitor" sections (docs/board-profile.md).
#pragma once

#include "sim/board_profile.h"
#include "sim/profile_processor.h"
#include "sim/profile/json_field.h"

namespace sim {

// Reads both sections from the profile's top-level object; absent sections
// take their defaults (no processor protocols, no monitor chip).
ProcessorBoardSpec ReadProcessorSections(const JsonObject &profile);

// A warning when the profile's own CPUID signature and platform-information
// MSR give a rated speed of 0 MHz on the processor summary; "" otherwise.
std::string RatedSpeedWarning(const BoardProfile &profile);

}  // namespace sim
