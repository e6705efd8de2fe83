// A platform protocol the machine installs at the moment its profile names.
#pragma once

#include "driver/uefi/uefi_base.h"
#include "sim/install_timing.h"

namespace sim {

struct ScheduledProtocol {
  Install install;
  const EFI_GUID *protocol;
  VOID *interface;
  const char *name;  // for the "protocol-installed" event
};

}  // namespace sim
