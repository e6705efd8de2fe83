// The board's hardware for one boot: the model built from the profile, with the
// writes the platform watches (POST codes on port 0x80, software SMIs on port
// 0xB2) logged as "port-write" events. Devices behind ports attach here.
#pragma once

#include <memory>

#include "sim/board_profile.h"
#include "sim/hardware/hardware_model.h"
#include "sim/machine/event_log.h"

namespace sim {

std::unique_ptr<HardwareModel> BuildBoardHardware(const BoardProfile &profile, EventLog &log);

}  // namespace sim
