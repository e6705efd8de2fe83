#include "tools/setup-sim/nvram_lookup.h"

#include <optional>
#include <vector>

#include "sim/machine/guid_text.h"
#include "sim/machine/utf16_text.h"
#include "tools/setup-sim/command_line.h"

namespace setup_sim {

std::u16string VariableName16(const std::string &name) {
  const std::optional<std::u16string> name16 = sim::Utf8ToUtf16(name);
  if (!name16 || name16->empty()) throw UsageError("nvram: \"" + name + "\" is not a variable name");
  return *name16;
}

sim::StoredVariable FindNamed(const sim::VariableStore &store, const std::string &file, const std::string &name,
                              const std::string &guid) {
  const std::u16string name16 = VariableName16(name);
  const std::optional<EFI_GUID> vendor = sim::GuidFromText(guid);
  std::vector<sim::StoredVariable> found;
  std::string guids;
  for (const sim::StoredVariable &variable : store.All()) {
    if (variable.name != name16 || (vendor && !sim::GuidEqual(variable.guid, *vendor))) continue;
    guids += (guids.empty() ? "" : ", ") + sim::GuidToText(variable.guid);
    found.push_back(variable);
  }
  if (found.empty()) throw std::runtime_error(file + ": no variable " + name + (guid.empty() ? "" : " under " + guid));
  if (found.size() > 1) {
    throw UsageError("nvram: " + std::to_string(found.size()) + " variables are named " + name + "; give --guid (one of " +
                     guids + ")");
  }
  return found[0];
}

}  // namespace setup_sim
