// When a platform protocol appears: already there when the driver loads, installed
// only after publishing, or never.
#pragma once

namespace sim {

enum class Install { AtLoad, AfterPublishing, Never };

}  // namespace sim
