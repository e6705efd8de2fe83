#include "sim/profile/install_field.h"

namespace sim {

Install ReadInstall(const JsonField &field) { return static_cast<Install>(field.Choice()); }

}  // namespace sim
