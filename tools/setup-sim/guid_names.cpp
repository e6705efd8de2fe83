#include "tools/setup-sim/guid_names.h"

#include "sim/machine/guid_text.h"
#include "sim/machine/platform_guids.h"

namespace setup_sim {
namespace {

struct NamedGuid {
  EFI_GUID guid;
  const char *name;
};

// The vendor GUIDs of variables: UEFI's own, and those of the board's firmware
// as the simulated platform knows them (sim/machine/platform_guids.h).
constexpr NamedGuid kNamedGuids[] = {
    {sim::guids::kGlobalVariable, "EFI global variable"},
    {sim::GuidOf("D719B2CB-3D3A-4596-A3BC-DAD00E67656F"), "EFI image security database"},
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
