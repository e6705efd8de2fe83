// The power supply lines (class 2): the rating from PowerSupplyInfoHob and a fixed
// hold-up time. Both need the processor platform HOB to be present as well.
#include "core/string_service.h"
#include "pages/page_providers.h"
#include "platform/board_records.h"
#include "platform/firmware_services.h"
#include "platform/unaligned.h"

namespace {

constexpr UINT16 kPowerSupplyClass = 2;
constexpr UINT16 kRatingStringId = 577;
constexpr UINT16 kHoldUpTimeStringId = 582;

}  // namespace

VOID PowerSupplyProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass) {
  if (FormClass != kPowerSupplyClass || FindGuidHob(&kCpuPlatformInfoHobGuid) == nullptr) {
    return;
  }
  const UINT8 *Hob = (const UINT8 *)FindGuidHob(&kPowerSupplyInfoHobGuid);
  // A HOB too short to hold the rating is treated as absent rather than read past its end.
  if (Hob == nullptr ||
      ReadUnaligned16(Hob + offsetof(EFI_HOB_GENERIC_HEADER, HobLength)) < sizeof(PowerSupplyInfoHob)) {
    return;
  }
  UINT16 RawRating = ReadUnaligned16(Hob + offsetof(PowerSupplyInfoHob, RawRating));
  UINT8 Scale = Hob[offsetof(PowerSupplyInfoHob, Scale)];
  SetPageString(HiiHandle, kRatingStringId, u"%d Watts", (UINT32)RawRating >> (Scale % 32));
  SetPageString(HiiHandle, kHoldUpTimeStringId, u"10 s");
}
