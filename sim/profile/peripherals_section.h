// The profile's "peripherals" section (docs/board-profile.md): Super I/O devices,
// the USB report, the management engine, the message box, the onboard network
// controllers and the FRU texts.
#pragma once

#include "sim/board_profile.h"
#include "sim/profile/json_field.h"

namespace sim {

// hardware is the profile's own hardware, read first: the network controllers
// and their bridges may not take a PCI location it already fills.
PeripheralsSpec ReadPeripherals(const JsonField &field, const HardwareSpec &hardware);

}  // namespace sim
