// What every boot of the driver must satisfy, whatever its inputs: shared by the
// fault-injection test and the whole-driver fuzz targets.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sim/board_profile.h"
#include "sim/boot.h"
#include "sim/variable_store.h"

namespace sim {

// Every (class, key) of an item of the setup menu that calls the form callback,
// so a boot can call each.
std::vector<std::pair<uint16_t, uint16_t>> EveryFormCallback();

// A fresh store holding the profile's variables, as setup-sim starts a first boot.
VariableStore SeededStore(const BoardProfile &profile);

// Empty for a sound boot; otherwise names what went wrong: pool blocks left
// allocated, a call of a member the driver must not call, a FreePool of a
// pointer that is no pool block, or a task priority level left raised.
std::string UnsoundBoot(const BootReport &report);

}  // namespace sim
