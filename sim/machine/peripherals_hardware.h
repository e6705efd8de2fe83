// The peripherals' hardware: the onboard network controllers as PCI functions
// (behind their root ports where they have one) whose receive-address registers
// sit behind an I/O window, and system management mode's answer to the ME
// disable command on the software SMI port.
#pragma once

#include "sim/board_profile.h"
#include "sim/hardware/hardware_model.h"

namespace sim {

// Writing a command here raises a software SMI.
constexpr uint16_t kSoftwareSmiPort = 0xB2;

void AttachPeripheralHardware(HardwareModel &model, const PeripheralsSpec &peripherals);

}  // namespace sim
