#include "tools/setup-sim/guid_names.h"

#include "sim/machine/guid_text.h"
#include "sim/machine/platform_guids.h"

namespace setup_sim {
namespace {

struct NamedGuid {
  EFI_GUID guid;
  const char *name;
};

// The vendor GUIDs of variables: UEFI's own, those OVMF's store holds after a
// boot, and those of the board's firmware as the simulated platform knows them
// (sim/machine/platform_guids.h).
constexpr NamedGuid kNamedGuids[] = {
    {sim::guids::kGlobalVariable, "EFI global variable"},
    {sim::GuidOf("D719B2CB-3D3A-4596-A3BC-DAD00E67656F"), "EFI image security database"},
    {sim::GuidOf("4C19049F-4137-4DD3-9C10-8B97A83FFDFA"), "memory type information"},
    {sim::GuidOf("EB704011-1402-11D3-8E77-00A0C969723B"), "monotonic counter"},
    {sim::GuidOf("D9BEE56E-75DC-49D9-B4D7-B534210F637A"), "certificate database"},
    {sim::GuidOf("C076EC0C-7028-4399-A072-71EE5C448B9F"), "secure boot custom mode"},
    {sim::GuidOf("9073E4E0-60EC-4B6E-9903-4C223C260F3C"), "secure boot vendor keys"},
    {sim::GuidOf("04B37FE8-F6AE-480B-BDD5-37D98C5E89AA"), "variable error flag"},
    {sim::guids::kSetupVariable, "setup"},
    {sim::guids::kSetupMenuCondition, "setup menu condition"},
    {sim::guids::kMemoryInfoVariable, "memory info"},
    {sim::guids::kFruSetup, "FRU setup"},
    {sim::guids::kMeUpdateStatus, "ME update status"},
};

}  // namespace

const char *GuidName(const EFI_GUID &guid) {
  for (const NamedGuid &named : kNamedGuids) {
    if (sim::GuidEqual(named.guid, guid)) return named.name;
  }
  return nullptr;
}

}  // namespace setup_sim
