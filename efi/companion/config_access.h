// EFI_HII_CONFIG_ACCESS_PROTOCOL for the published lists: turns the browser's
// press of an action question into the setup driver's form callback.
#pragma once

#include "hii_config_access.h"

// Copied into each list's slot; the members find the list from This.
extern const EFI_HII_CONFIG_ACCESS_PROTOCOL kListConfigAccess;
