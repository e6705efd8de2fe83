#include "core/setup_module.h"

SetupModuleState gSetupModule;
