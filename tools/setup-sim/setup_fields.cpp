#include "tools/setup-sim/setup_fields.h"

#include "sim/machine/guid_text.h"
#include "tools/setup-sim/byte_edits.h"

namespace setup_sim {
namespace {

const char kSetupGuid[] = "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9";

const std::vector<SetupField> kSetupFields = {
    {4, 1, "SATA controller mode (0 disabled, 1 by channel and device, other: by port)"},
    {75, 1, "list the SAS controller's option ROM product names (non-zero)"},
    {77, 1, "stop the storage page after the SATA lines (non-zero)"},
    {271, 1, "the processor number of \"Vga From CPU\""},
    {281, 1, "low-memory limit (1: 2048 MB, 2: 2560 MB, 3: 3072 MB, other: 1024 MB)"},
    {392, 2, "cleared at every load"},
    {394, 1, "set to 1 at every load"},
    {399, 1, "socket 0 absent"},
    {400, 1, "socket 1 absent"},
    {401, 1, "processor brand joined into one string"},
    {405, 1, "one-shot request: clear board register 0x8318 at the next load (non-zero)"},
    {461, 1, "board code outside the known table"},
    {462, 1, "cleared at every load"},
};

}  // namespace

const std::vector<SetupField> &SetupFieldsOf(const sim::StoredVariable &variable) {
  static const std::vector<SetupField> kNone;
  const bool setup = variable.name == u"Setup" && sim::GuidToText(variable.guid) == kSetupGuid;
  return setup ? kSetupFields : kNone;
}

uint64_t SetupFieldValue(const sim::StoredVariable &variable, const SetupField &field) {
  return LittleEndianAt(variable.data, field.offset, field.width);
}

}  // namespace setup_sim
