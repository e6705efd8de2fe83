// The processor package protocol of the board's processor firmware, read by the
// processor summary page (and built by the simulator). Only the members the
// driver calls are typed; the others keep their slots.
#pragma once

#include "platform/board_records.h"
#include "uefi/uefi_base.h"

constexpr EFI_GUID kCpuPackageProtocolGuid = {
    0xAC9CF0A8, 0xE551, 0x4BE2, {0xAD, 0x0A, 0xE1, 0xB5, 0x64, 0xEE, 0xA2, 0x73}};

typedef EFI_STATUS(EFIAPI *CPU_PACKAGE_UNUSED_MEMBER)();

struct CpuPackageProtocol {
  CPU_PACKAGE_UNUSED_MEMBER Reserved0;
  CPU_PACKAGE_UNUSED_MEMBER Reserved1;
  CPU_PACKAGE_UNUSED_MEMBER Reserved2;
  // Four counts of the package: the page shows First + Third as its threads.
  EFI_STATUS(EFIAPI *GetCoreCounts)(CpuPackageProtocol *This, UINTN Package, UINT32 *First, UINT32 *Second,
                                    UINT32 *Third, UINT32 *Fourth);  // 3
  CPU_PACKAGE_UNUSED_MEMBER Reserved4;
  CPU_PACKAGE_UNUSED_MEMBER Reserved5;
  // The identifier of the package's processor; the callers pass no selectors.
  EFI_STATUS(EFIAPI *GetPackageProcessorId)(CpuPackageProtocol *This, UINTN Package, VOID *Selector1,
                                            VOID *Selector2, UINT32 *Id, VOID *Reserved);  // 6
  CPU_PACKAGE_UNUSED_MEMBER Reserved7;
  CPU_PACKAGE_UNUSED_MEMBER Reserved8;
  // A packed list of CacheDescriptor entries owned by the protocol.
  EFI_STATUS(EFIAPI *GetCacheDescriptors)(CpuPackageProtocol *This, UINTN Package, VOID *Selector,
                                          CacheDescriptor **List, UINT32 *Count);  // 9
};
static_assert(offsetof(CpuPackageProtocol, GetCoreCounts) == 24, "GetCoreCounts slot");
static_assert(offsetof(CpuPackageProtocol, GetPackageProcessorId) == 48, "GetPackageProcessorId slot");
static_assert(offsetof(CpuPackageProtocol, GetCacheDescriptors) == 72, "GetCacheDescriptors slot");

// The record of logical processor Index, or null when the protocol gives none.
inline CpuInfoRecord *GetCpuInfoRecord(CpuInfoProtocol *CpuInfo, UINTN Index) {
  CpuInfoRecord *Record = nullptr;
  if (EfiError(CpuInfo->GetCpuInfo(CpuInfo, Index, &Record))) {
    return nullptr;
  }
  return Record;
}
