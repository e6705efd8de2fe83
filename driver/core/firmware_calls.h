// Calls into the recorded service tables that the core and the pages share.
// The UEFI signatures take non-const names and GUIDs that firmware never
// writes; these wrappers keep the casts in one place.
#pragma once

#include "platform/firmware_services.h"

// A failed lookup leaves *Interface null, so that a later use tries again.
BOOLEAN LocateInterface(const EFI_GUID *Protocol, VOID **Interface);

// Attributes, when given, receives the attributes the variable is stored with.
EFI_STATUS ReadVariable(const CHAR16 *Name, const EFI_GUID *Guid, UINTN *Size, VOID *Data,
                        UINT32 *Attributes = nullptr);
EFI_STATUS StoreVariable(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 Attributes, UINTN Size,
                         const VOID *Data);

// True only when a size query reports EFI_BUFFER_TOO_SMALL; any other status counts as absent.
BOOLEAN VariableExists(const CHAR16 *Name, const EFI_GUID *Guid);

// Reads a whole variable into a new pool buffer owned by the caller; null on any
// error. Size and Status are optional; Status tells a missing variable
// (EFI_NOT_FOUND) from one that could not be read.
VOID *GetVariableAlloc(const CHAR16 *Name, const EFI_GUID *Guid, UINTN *Size, EFI_STATUS *Status = nullptr);

// Store under EFI_GLOBAL_VARIABLE with attributes 6 and 7; a null Data stores nothing.
EFI_STATUS SetGlobalVolatile(const CHAR16 *Name, const VOID *Data, UINTN Size);
EFI_STATUS SetGlobalNonVolatile(const CHAR16 *Name, const VOID *Data, UINTN Size);
