#include "platform/board_records.h"

#include "platform/unaligned.h"

const CpuPlatformProcessorRatios *CpuPlatformInfoRatios(const EFI_HOB_GUID_TYPE *Hob, UINTN Processor) {
  constexpr UINTN kRatioBytes = 2;
  UINTN length = ReadUnaligned16((const UINT8 *)Hob + offsetof(EFI_HOB_GENERIC_HEADER, HobLength));
  if (length < sizeof(CpuPlatformInfoHob) + kRatioBytes) {
    return nullptr;
  }
  // Divides rather than multiplies, so a huge processor number cannot wrap around.
  if (Processor > (length - sizeof(CpuPlatformInfoHob) - kRatioBytes) / sizeof(CpuPlatformProcessorRatios)) {
    return nullptr;
  }
  return (const CpuPlatformProcessorRatios *)((const UINT8 *)Hob + sizeof(CpuPlatformInfoHob) +
                                              Processor * sizeof(CpuPlatformProcessorRatios));
}
