// A published list's driver handle: what the form browser and the setup driver
// find there.
#pragma once

#include "published_lists.h"

// Installs, on a new handle kept in List->DriverHandle, the list's form callback
// instance, its device path (a hardware vendor node of ours naming the form
// class) and its EFI_HII_CONFIG_ACCESS_PROTOCOL. All or nothing; the list must be
// registered in the HII database only after this succeeded, or the browser saves
// none of its settings.
EFI_STATUS InstallListInterfaces(PublishedList *List);
// Takes the three off again.
void UninstallListInterfaces(PublishedList *List);
