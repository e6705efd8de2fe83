// The setup pages that --page asks for, rendered as the menu's browser lays
// them out (text) or as data (JSON).
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>

#include "tools/setup-sim/boot_session.h"

namespace setup_sim {

void WriteFormPagesText(const BootSession &session, std::ostream &out);
nlohmann::json FormPagesJson(const BootSession &session);

}  // namespace setup_sim
