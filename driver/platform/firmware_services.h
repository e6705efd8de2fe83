// The service tables recorded at entry and the small helpers every page uses
// over them: configuration-table and DXE services lookups, pool allocation, a
// variable read that grows its buffer, protocol notification, the HOB walk, and
// byte and string routines.
#pragma once

#include "uefi/pi_hob.h"
#include "uefi/uefi_tables.h"

// Recorded by CaptureServiceTables; null until then.
extern EFI_SYSTEM_TABLE *gST;
extern EFI_BOOT_SERVICES *gBS;
extern EFI_RUNTIME_SERVICES *gRT;
extern EFI_HANDLE gImageHandle;

// Status returned by GetDxeServicesTable when the table is not in the configuration table.
constexpr EFI_STATUS kDxeServicesNotFound = 0xC000000000000000ULL;

void CaptureServiceTables(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable);
VOID *FindConfigurationTable(EFI_SYSTEM_TABLE *SystemTable, const EFI_GUID *Guid);
EFI_STATUS GetDxeServicesTable(DXE_SERVICES_TABLE_HEADER **Table);

VOID *AllocateBootPool(UINTN Size);
VOID *AllocateZeroedPool(UINTN Size);

EFI_STATUS GetVariableGrow(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes, UINTN *DataSize,
                           VOID **Buffer);

void RegisterProtocolNotifyEvent(const EFI_GUID *Protocol, EFI_EVENT_NOTIFY Notify, VOID *Context,
                                 EFI_EVENT *Event, VOID **Registration);

// Steps from *Hob (never returning it) to the next HOB of Type. Ends with
// EFI_NOT_FOUND at the end of the list or at a HOB whose length cannot hold its
// own header, leaving *Hob unchanged.
EFI_STATUS NextHobOfType(UINT16 Type, EFI_HOB_GENERIC_HEADER **Hob);

// The first GUID extension HOB named Name after the first HOB of the list that the
// configuration table gives; null without a list or such a HOB.
EFI_HOB_GUID_TYPE *FindGuidHob(const EFI_GUID *Name);

INT64 MemCompare(const VOID *First, const VOID *Second, UINTN Length);
void MemMove(VOID *Destination, const VOID *Source, UINTN Length);
void MemFill(VOID *Destination, UINTN Length, UINTN Value);

UINTN AsciiStrLen(const CHAR8 *Text);
UINTN WideStrLen(const CHAR16 *Text);
INTN AsciiStrCmp(const CHAR8 *First, const CHAR8 *Second);
BOOLEAN AsciiEqual3(const CHAR8 *First, const CHAR8 *Second);
